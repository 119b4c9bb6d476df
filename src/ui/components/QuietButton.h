#pragma once

#include <QAbstractButton>

namespace corvane {

// Base of the panel's custom-drawn buttons. A button never changes its own
// checked state: it shows what the current view value says, and a click only
// reports the wish to the owner.
class QuietButton : public QAbstractButton {
    Q_OBJECT

  public:
    explicit QuietButton(QWidget* parent = nullptr);

  protected:
    void nextCheckState() override {}
    // Opacity of the face: pressed buttons dim, as plain buttons do.
    double faceOpacity() const;
};

}  // namespace corvane
