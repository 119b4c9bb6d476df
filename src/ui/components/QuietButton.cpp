#include "ui/components/QuietButton.h"

#include <QKeyEvent>
#include <QPainter>

#include "ui/MenuBarAppearance.h"
#include "ui/components/Painting.h"
#include "ui/components/QuietButtonRow.h"

namespace corvane {

namespace {
constexpr qreal kFocusRingWidth = 3;
constexpr double kFocusRingOpacity = 0.5;
}  // namespace

QuietButton::QuietButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover, true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
}

double QuietButton::faceOpacity() const {
    return isDown() ? 0.6 : 1.0;
}

qreal QuietButton::focusRingRadius() const {
    return 6;
}

bool QuietButton::showsFocusRing() const {
    // Qt marks the window while the focus moves by keyboard; a button
    // focused any other way (the window opening) shows no ring.
    return hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

bool QuietButton::event(QEvent* event) {
    const bool handled = QAbstractButton::event(event);
    if (event->type() == QEvent::Paint && showsFocusRing()) {
        // Drawn over the face the subclass has painted, inside the bounds.
        QPainter painter(this);
        strokeRoundedRect(
            painter, QRectF(rect()), focusRingRadius(),
            withOpacity(namedColor(ColorRole::accent, appearanceOf(this)), kFocusRingOpacity),
            kFocusRingWidth);
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        update();
    }
    return handled;
}

void QuietButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!event->isAutoRepeat()) {
                click();
            }
            return;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            // A row moves the focus among its own buttons.
            if (qobject_cast<QuietButtonRow*>(parentWidget())) {
                event->ignore();
                return;
            }
            break;
        default:
            break;
    }
    QAbstractButton::keyPressEvent(event);
}

}  // namespace corvane
