#include "ui/components/QuietButton.h"

namespace corvane {

QuietButton::QuietButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover, true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
}

double QuietButton::faceOpacity() const {
    return isDown() ? 0.6 : 1.0;
}

}  // namespace corvane
