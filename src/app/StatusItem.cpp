#include "app/StatusItem.h"

#include <QApplication>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace corvane {

namespace {

// The ease-in-ease-out timing curve of a system animation.
QEasingCurve easeInEaseOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

// Qt's XEmbed tray icon window, which it does not expose otherwise.
bool isTrayWindow(const QObject* object) {
    return object->isWidgetType() && object->objectName() == u"QSystemTrayIconSys";
}

}  // namespace

StatusItem::StatusItem(QObject* parent) : QObject(parent) {
    // A host without an XEmbed window (a StatusNotifierItem host) reports
    // only finished clicks.
    connect(&tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && !trayWindow_) {
                    emit activated();
                }
            });

    animation_.setDuration(kPulseMilliseconds);
    animation_.setStartValue(1.0);
    animation_.setKeyValueAt(0.5, kPulsePeakScale);
    animation_.setEndValue(1.0);
    animation_.setEasingCurve(easeInEaseOut());
    connect(&animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& scale) { draw(scale.toDouble()); });
    connect(&animation_, &QVariantAnimation::finished, this, [this] { draw(1.0); });

    // The window is created and recreated by Qt; showing it is the moment
    // it can be found.
    qApp->installEventFilter(this);
}

StatusItem::~StatusItem() {
    if (qApp) {
        qApp->removeEventFilter(this);
    }
}

void StatusItem::apply(const StatusIconInput& input) {
    // Most refreshes find nothing new; the icon then stays as drawn.
    if (input == input_ && !appearance_.image.isNull() && !isPulsing()) {
        return;
    }
    input_ = input;
    redraw();
}

void StatusItem::pulse() {
    animation_.stop();
    animation_.start();
    emit pulseStarted();
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == trayWindow_ && trayWindow_) {
        return handleTrayWindowEvent(event);
    }
    if (event->type() == QEvent::Show && tray_.isVisible() && isTrayWindow(watched)) {
        adoptTrayWindow(static_cast<QWidget*>(watched));
    }
    return false;
}

void StatusItem::adoptTrayWindow(QWidget* window) {
    trayWindow_ = window;
    leftPressed_ = false;
    redraw();
}

bool StatusItem::handleTrayWindowEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // Qt acts on the press; the icon acts on the release instead.
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                leftPressed_ = true;
                return true;
            }
            return false;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !leftPressed_) {
                return false;
            }
            leftPressed_ = false;
            if (trayWindow_->rect().contains(mouse->position().toPoint())) {
                emit activated();
            }
            return true;
        }
        case QEvent::ScreenChangeInternal:
        case QEvent::Resize:
            // Another screen may have another pixel ratio; another size
            // another slot.
            redraw();
            return false;
        default:
            return false;
    }
}

void StatusItem::redraw() {
    draw(isPulsing() ? animation_.currentValue().toDouble() : 1.0);
    tray_.setToolTip(appearance_.toolTip);
    if (trayWindow_) {
        trayWindow_->setAccessibleName(appearance_.accessibleName);
        trayWindow_->setAccessibleDescription(appearance_.imageDescription);
    }
}

IconCanvas StatusItem::canvas(double scale) const {
    IconCanvas result{.devicePixelRatio = 1.0, .scale = scale, .headroom = kPulsePeakScale};
    if (trayWindow_) {
        result.devicePixelRatio = trayWindow_->devicePixelRatioF();
        result.slot = trayWindow_->size();
    } else if (const QScreen* screen = QGuiApplication::screenAt(tray_.geometry().center())) {
        result.devicePixelRatio = screen->devicePixelRatio();
    } else {
        result.devicePixelRatio = qGuiApp->devicePixelRatio();
    }
    return result;
}

void StatusItem::draw(double scale) {
    const IconCanvas frame = canvas(scale);
    appearance_ = renderStatusIcon(input_, frame);
    // The tray host repaints on every new icon, so an unchanged image is
    // not handed over again.
    if (appearance_.image == shownImage_ &&
        qFuzzyCompare(appearance_.image.devicePixelRatio(), shownImage_.devicePixelRatio())) {
        return;
    }
    shownImage_ = appearance_.image;
    QIcon icon(QPixmap::fromImage(appearance_.image));
    if (frame.slot.isEmpty() && frame.devicePixelRatio < 2.0) {
        // Hosts that draw the icon larger than its points get a sharp copy.
        IconCanvas sharp = frame;
        sharp.devicePixelRatio = 2.0;
        icon.addPixmap(QPixmap::fromImage(renderStatusIcon(input_, sharp).image));
    }
    tray_.setIcon(icon);
}

}  // namespace corvane
