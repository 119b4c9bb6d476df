#include "app/StatusItem.h"

#include <QAccessible>
#include <QApplication>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

namespace corvane {

namespace {

// The ease-in-ease-out timing curve of a system animation.
QEasingCurve easeInEaseOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

// The XEmbed tray icon is a window of this application that Qt does not
// expose; its accessible name is reachable only through the widget itself.
void setTrayWindowAccessibleName(const QString& name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0) {
            widget->setAccessibleName(name);
        }
    }
}

}  // namespace

StatusItem::StatusItem(QObject* parent) : QObject(parent) {
    connect(&tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
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
}

void StatusItem::apply(const StatusIconInput& input) {
    // Most refreshes find nothing new; the icon then stays as drawn.
    if (input == input_ && !appearance_.image.isNull() && !isPulsing()) {
        return;
    }
    input_ = input;
    draw(isPulsing() ? animation_.currentValue().toDouble() : 1.0);
    tray_.setToolTip(appearance_.toolTip);
    setTrayWindowAccessibleName(appearance_.accessibleName);
}

void StatusItem::pulse() {
    animation_.stop();
    animation_.start();
    emit pulseStarted();
}

void StatusItem::draw(double scale) {
    const qreal ratio = qGuiApp->devicePixelRatio();
    appearance_ = renderStatusIcon(input_, IconCanvas{ratio, scale});
    // The tray host repaints on every new icon, so an unchanged image is
    // not handed over again.
    if (appearance_.image == shownImage_) {
        return;
    }
    shownImage_ = appearance_.image;
    QIcon icon(QPixmap::fromImage(appearance_.image));
    if (ratio < 2.0) {
        // Hosts that draw the icon larger than its points get a sharp copy.
        icon.addPixmap(QPixmap::fromImage(renderStatusIcon(input_, IconCanvas{2.0, scale}).image));
    }
    tray_.setIcon(icon);
}

}  // namespace corvane
