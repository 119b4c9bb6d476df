#pragma once

#include <QObject>
#include <QPointer>

namespace corvane {

class GlobalMouseDownSource;
class PopoverWindow;
class StatusItem;

// Closes the popover when a mouse button is pressed outside it: in another
// application, on the desktop or in another window of this application,
// and when another window takes the keyboard focus from it. A press on the
// tray icon is left to the icon, whose own action toggles the popover. No
// press is taken from its target. The decisions are those of
// PopoverDismissal.h; this class only finds out where each press went.
class PopoverDismissalMonitor : public QObject {
    Q_OBJECT

  public:
    // `global` (optional) reports presses outside this application; it is
    // asked to watch only while the popover is shown.
    PopoverDismissalMonitor(PopoverWindow* popover, StatusItem* statusButton,
                            GlobalMouseDownSource* global);
    ~PopoverDismissalMonitor() override;

    // Stops watching; harmless when called again.
    void invalidate();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void handleGlobalMouseDown();
    void handleDeactivation();
    void watchGlobally(bool shown);
    bool panelMenuIsOpen() const;

    QPointer<PopoverWindow> popover_;
    QPointer<StatusItem> statusButton_;
    GlobalMouseDownSource* global_;
    bool installed_ = false;
};

}  // namespace corvane
