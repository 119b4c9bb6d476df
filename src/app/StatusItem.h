#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>
#include <QVariantAnimation>

#include "app/statusicon/StatusIconRenderer.h"

class QWidget;

namespace corvane {

// The tray icon: shows the rendered status icon, reports left clicks, and
// plays the pulse that marks a change of what it shows.
//
// On an XEmbed tray the icon is a small window of Qt's own. The item finds
// it each time Qt shows one (the first time, and again after the tray host
// restarts) to name it for assistive technology, to draw the image for its
// size and pixel ratio, and to act on a left click when the button comes up
// over the icon, as a button does; a press released elsewhere does nothing.
class StatusItem : public QObject {
    Q_OBJECT

  public:
    static constexpr int kPulseMilliseconds = 340;

    explicit StatusItem(QObject* parent = nullptr);
    ~StatusItem() override;

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
    // The XEmbed window that shows the icon, while there is one.
    QWidget* trayWindow() const { return trayWindow_; }

  signals:
    // The icon's action: a left click (right and middle clicks do nothing).
    void activated();
    void pulseStarted();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void adoptTrayWindow(QWidget* window);
    bool handleTrayWindowEvent(QEvent* event);
    void redraw();
    void draw(double scale);
    IconCanvas canvas(double scale) const;

    QSystemTrayIcon tray_;
    QVariantAnimation animation_;
    QPointer<QWidget> trayWindow_;
    bool leftPressed_ = false;
    StatusIconInput input_;
    StatusIconAppearance appearance_;
    QImage shownImage_;
};

}  // namespace corvane
