#pragma once

#include <QObject>
#include <QPointer>

namespace corvane {

class PopoverWindow;
class StatusItem;

// Closes the popover when a mouse button is pressed outside it: in another
// application, on the desktop or in another window of this application.
// A press on the tray icon is left to the icon, whose own action toggles
// the popover. The decisions are those of PopoverDismissal.h; this class
// only finds out where each press went.
class PopoverDismissalMonitor : public QObject {
    Q_OBJECT

  public:
    PopoverDismissalMonitor(PopoverWindow* popover, StatusItem* statusButton);
    ~PopoverDismissalMonitor() override;

    // Stops watching; harmless when called again.
    void invalidate();

  signals:
    // A left click on the tray icon that the popover's pointer grab kept
    // from reaching the icon.
    void statusButtonClicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<PopoverWindow> popover_;
    QPointer<StatusItem> statusButton_;
    bool installed_ = false;
    bool leftPressOnButton_ = false;
};

}  // namespace corvane
