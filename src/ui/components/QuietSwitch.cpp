#include "ui/components/QuietSwitch.h"

#include <QPainter>

#include "ui/MenuBarAppearance.h"

namespace corvane {

namespace {
constexpr int kWidth = 38;
constexpr int kHeight = 22;
constexpr qreal kKnobInset = 2;
}  // namespace

QuietSwitch::QuietSwitch(QWidget* parent) : QuietButton(parent) {
    setCheckable(true);
    setFixedSize(kWidth, kHeight);
    // Qt has no role for a switch; a check box is the two-state control
    // screen readers know.
    setAccessibleRole(QAccessible::CheckBox);
}

qreal QuietSwitch::focusRingRadius() const {
    return kHeight / 2.0;
}

void QuietSwitch::setOn(bool on) {
    if (on != isChecked()) {
        setChecked(on);
    }
}

QSize QuietSwitch::sizeHint() const {
    return {kWidth, kHeight};
}

void QuietSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setOpacity(faceOpacity());
    const Appearance appearance = appearanceOf(this);
    const QRectF track(rect());
    const qreal radius = track.height() / 2;

    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? namedColor(ColorRole::accent, appearance)
                                 : namedColor(ColorRole::switchTrackOff, appearance));
    painter.drawRoundedRect(track, radius, radius);

    const qreal knob = track.height() - 2 * kKnobInset;
    const qreal knobLeft = isChecked() ? track.right() - kKnobInset - knob : kKnobInset;
    const QRectF knobRect(knobLeft, kKnobInset, knob, knob);
    // A faint shadow keeps the white knob visible on a light, empty track.
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.setBrush(QColor(255, 255, 255));
    painter.drawEllipse(knobRect);
}

}  // namespace corvane
