#include "app/PopoverDismissalMonitor.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>

#include "app/GlobalMouseDownSource.h"
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

PopoverDismissalMonitor::PopoverDismissalMonitor(PopoverWindow* popover, StatusItem* statusButton,
                                                 GlobalMouseDownSource* global)
    : popover_(popover), statusButton_(statusButton), global_(global) {
    qApp->installEventFilter(this);
    installed_ = true;
    connect(popover, &PopoverWindow::shownChanged, this, &PopoverDismissalMonitor::watchGlobally);
    connect(popover, &PopoverWindow::deactivated, this,
            &PopoverDismissalMonitor::handleDeactivation);
}

PopoverDismissalMonitor::~PopoverDismissalMonitor() {
    invalidate();
}

void PopoverDismissalMonitor::invalidate() {
    if (installed_ && qApp) {
        qApp->removeEventFilter(this);
    }
    if (installed_ && global_) {
        global_->stopWatching();
    }
    installed_ = false;
    if (popover_) {
        popover_->disconnect(this);
    }
}

void PopoverDismissalMonitor::watchGlobally(bool shown) {
    if (!installed_ || !global_) {
        return;
    }
    if (!shown) {
        global_->stopWatching();
        return;
    }
    const QPointer<PopoverDismissalMonitor> self(this);
    global_->watch([self] {
        if (self) {
            self->handleGlobalMouseDown();
        }
    });
}

bool PopoverDismissalMonitor::panelMenuIsOpen() const {
    // A pull-down menu of the panel handles presses itself while it is
    // open, closing itself on one outside it.
    const QWidget* popup = QApplication::activePopupWidget();
    return popup && belongsTo(popup, popover_);
}

bool PopoverDismissalMonitor::eventFilter(QObject* watched, QEvent* event) {
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    // Every press passes its window first; looking only there sees each
    // press once, before any widget has acted on it. Nothing is taken from
    // it either way.
    if (!press || !watched->isWindowType() || !popover_ || !popover_->isShown() ||
        panelMenuIsOpen()) {
        return false;
    }
    const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    LocalMouseDown where;
    where.popoverShown = true;
    where.inPopoverWindow = popover_->frameGeometry().contains(global);
    // The XEmbed icon is a window of its own that the button fills.
    where.inStatusButtonWindow = statusButton_ && statusButton_->geometry().contains(global);
    where.insideStatusButton = where.inStatusButtonWindow;
    if (decideLocalMouseDown(where) == DismissalDecision::close) {
        popover_->close();
    }
    return false;
}

void PopoverDismissalMonitor::handleGlobalMouseDown() {
    if (!popover_ || panelMenuIsOpen()) {
        return;
    }
    // Presses in this application's own windows are the local filter's.
    const QPoint where = QCursor::pos();
    const bool ownWindow = popover_->frameGeometry().contains(where) ||
                           (statusButton_ && statusButton_->geometry().contains(where)) ||
                           QApplication::topLevelAt(where) != nullptr;
    if (!ownWindow && decideGlobalMouseDown(popover_->isShown()) == DismissalDecision::close) {
        popover_->close();
    }
}

void PopoverDismissalMonitor::handleDeactivation() {
    // Focus moves to a menu of the panel, or to the tray icon about to
    // toggle the popover itself, without anything being dismissed.
    if (!popover_ || panelMenuIsOpen() ||
        (statusButton_ && statusButton_->geometry().contains(QCursor::pos()))) {
        return;
    }
    if (decideGlobalMouseDown(popover_->isShown()) == DismissalDecision::close) {
        popover_->close();
    }
}

}  // namespace corvane
