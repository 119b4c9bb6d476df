#pragma once

#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>
#include <QVariantAnimation>

#include "app/statusicon/StatusIconRenderer.h"

namespace corvane {

// The tray icon: shows the rendered status icon, reports left clicks, and
// plays the pulse that marks a change of what it shows.
class StatusItem : public QObject {
    Q_OBJECT

  public:
    // The pulse grows the icon to this scale and back.
    static constexpr double kPulsePeakScale = 1.14;
    static constexpr int kPulseMilliseconds = 340;

    explicit StatusItem(QObject* parent = nullptr);

    void show() { tray_.show(); }
    void hide() { tray_.hide(); }

    // Redraws the icon for `input` (at the pulse's current scale while one
    // runs) and sets the tooltip and accessibility texts.
    void apply(const StatusIconInput& input);
    const StatusIconAppearance& appearance() const { return appearance_; }

    // Starts the pulse; one that is still running starts over.
    void pulse();
    bool isPulsing() const { return animation_.state() == QAbstractAnimation::Running; }

    // Where the icon is on screen; empty when the tray host does not say.
    QRect geometry() const { return tray_.geometry(); }
    const QSystemTrayIcon& trayIcon() const { return tray_; }

  signals:
    // The icon's action: a left click (right and middle clicks do nothing).
    void activated();
    void pulseStarted();

  private:
    void draw(double scale);

    QSystemTrayIcon tray_;
    QVariantAnimation animation_;
    StatusIconInput input_;
    StatusIconAppearance appearance_;
    QImage shownImage_;
};

}  // namespace corvane
