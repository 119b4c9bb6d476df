#pragma once

#include <QString>

#include "ui/MenuBarAppearance.h"
#include "ui/TextStyle.h"
#include "ui/components/QuietButton.h"

namespace corvane {

// A bezel-less button whose face is one symbol, optionally on a filled
// circle (the header's gear) or bare (the footer's menu button).
class QuietSymbolButton : public QuietButton {
    Q_OBJECT

  public:
    struct Face {
        QString systemName;
        qreal pointSize = 16;
        FontWeight weight = FontWeight::medium;
        ColorRole color = ColorRole::secondaryLabel;
        QSize frame;               // the button's size
        double circleOpacity = 0;  // primary-coloured circle behind; 0 for none
    };

    QuietSymbolButton(Face face, QWidget* parent = nullptr);

  protected:
    qreal focusRingRadius() const override;
    void paintEvent(QPaintEvent* event) override;

  private:
    Face face_;
};

}  // namespace corvane
