#include "app/PopoverWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "app/PopoverPlacement.h"
#include "ui/DisplayPopoverWidget.h"
#include "ui/MenuBarAppearance.h"

namespace corvane {

PopoverWindow::PopoverWindow(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint) {
    setObjectName(QStringLiteral("CorvanePopover"));
    setWindowTitle(QStringLiteral("Corvane"));
    // A press outside that closes the popover must not also reach the
    // window under it: a press on the tray icon would open it again.
    setAttribute(Qt::WA_NoMouseReplay);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedWidth(kWidth);
}

void PopoverWindow::setView(DisplayPopoverView view) {
    if (!panel_) {
        panel_ = new DisplayPopoverWidget(desktopAppearance(), this);
        layout()->addWidget(panel_);
    }
    panel_->setView(std::move(view));
    if (isVisible()) {
        resize(kWidth, std::min(panel_->sizeHint().height(), kMaxHeight));
    }
}

void PopoverWindow::showAnchored(const QRect& anchor) {
    const QRect target = anchor.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
    QScreen* screen = QGuiApplication::screenAt(target.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const int height = panel_ ? std::min(panel_->sizeHint().height(), kMaxHeight) : kMaxHeight;
    setGeometry(placePopover(target, QSize(kWidth, height), screen->availableGeometry()));
    show();
    raise();
    activateWindow();
}

void PopoverWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit shownChanged(true);
}

void PopoverWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit shownChanged(false);
}

}  // namespace corvane
