#pragma once

#include "ui/components/QuietButton.h"

namespace corvane {

// An on/off switch that shows the value it is given; a click reports the
// opposite value through `clicked` and leaves the switch as it is until the
// owner supplies the new value.
class QuietSwitch : public QuietButton {
    Q_OBJECT

  public:
    explicit QuietSwitch(QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return isChecked(); }

    QSize sizeHint() const override;

  protected:
    qreal focusRingRadius() const override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvane
