#include "app/PopoverWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "app/PopoverPlacement.h"
#include "ui/DisplayPopoverWidget.h"

namespace corvane {

PopoverWindow::PopoverWindow(QWidget* parent)
    // Not a Qt::Popup: a popup grabs the pointer and swallows the first
    // click outside it. Unmanaged, so that it opens where it is put and the
    // window manager neither frames nor lists it.
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                          Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint) {
    setObjectName(QStringLiteral("CorvanePopover"));
    setWindowTitle(QStringLiteral("Corvane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedWidth(kWidth);
}

void PopoverWindow::setView(DisplayPopoverView view) {
    if (!panel_) {
        panel_ = new DisplayPopoverWidget(this);
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

bool PopoverWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && isVisible()) {
        emit deactivated();
    }
    return QWidget::event(event);
}

void PopoverWindow::keyPressEvent(QKeyEvent* event) {
    // An open pull-down menu takes Escape itself; the next one reaches here.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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
