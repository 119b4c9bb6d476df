#include "app/PopoverDismissalMonitor.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

#include "app/PopoverDismissal.h"
#include "app/PopoverWindow.h"
#include "app/StatusItem.h"

namespace corvane {

namespace {

bool belongsTo(const QWidget* widget, const QWidget* ancestor) {
    for (; widget; widget = widget->parentWidget()) {
        if (widget == ancestor) {
            return true;
        }
    }
    return false;
}

}  // namespace

PopoverDismissalMonitor::PopoverDismissalMonitor(PopoverWindow* popover, StatusItem* statusButton)
    : popover_(popover), statusButton_(statusButton) {
    qApp->installEventFilter(this);
    installed_ = true;
}

PopoverDismissalMonitor::~PopoverDismissalMonitor() {
    invalidate();
}

void PopoverDismissalMonitor::invalidate() {
    if (installed_ && qApp) {
        qApp->removeEventFilter(this);
    }
    installed_ = false;
}

bool PopoverDismissalMonitor::eventFilter(QObject* watched, QEvent* event) {
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    // Every press passes its window first; looking only there sees each
    // press once, before any widget has acted on it.
    if ((!press && !release) || !watched->isWindowType()) {
        return false;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (release) {
        const bool click = leftPressOnButton_ && mouse->button() == Qt::LeftButton;
        leftPressOnButton_ = false;
        if (click) {
            emit statusButtonClicked();
        }
        return click;
    }

    if (!popover_ || !popover_->isShown()) {
        return false;
    }
    // A pull-down menu of the panel handles presses itself while it is
    // open, closing itself on one outside it.
    QWidget* popup = QApplication::activePopupWidget();
    if (popup && popup != popover_ && belongsTo(popup, popover_)) {
        return false;
    }

    const QPoint global = mouse->globalPosition().toPoint();
    LocalMouseDown where;
    where.popoverShown = true;
    where.inPopoverWindow = popover_->frameGeometry().contains(global);
    const QRect button = statusButton_ ? statusButton_->geometry() : QRect();
    // The XEmbed icon is a window of its own that the button fills.
    where.inStatusButtonWindow = button.contains(global);
    where.insideStatusButton = where.inStatusButtonWindow;

    const bool ownWindow = where.inPopoverWindow || where.inStatusButtonWindow ||
                           QApplication::topLevelAt(global) != nullptr;
    const DismissalDecision decision =
        ownWindow ? decideLocalMouseDown(where) : decideGlobalMouseDown(true);

    if (decision == DismissalDecision::close) {
        popover_->close();
        return true;
    }
    if (where.inPopoverWindow) {
        return false;
    }
    // On the tray icon: the grab keeps the press from the icon, so the
    // icon's action (left button only) is carried out here on release.
    leftPressOnButton_ = mouse->button() == Qt::LeftButton;
    return true;
}

}  // namespace corvane
