#pragma once

#include "display/MenuBarStyle.h"
#include "ui/components/QuietButton.h"

namespace corvane {

// One colour swatch of the menu bar colour row: a filled circle (with a
// check mark when selected) over the colour's short title.
class QuietSwatchButton : public QuietButton {
    Q_OBJECT

  public:
    QuietSwatchButton(MenuBarColorMode mode, QWidget* parent = nullptr);

    MenuBarColorMode mode() const { return mode_; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    qreal focusRingRadius() const override;
    void paintEvent(QPaintEvent* event) override;

  private:
    MenuBarColorMode mode_;
};

}  // namespace corvane
