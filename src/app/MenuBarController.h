#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "app/statusicon/StatusIconModel.h"
#include "display/DisplayBackend.h"
#include "display/MenuBarStyle.h"
#include "state/DisplayStore.h"
#include "state/LoginItemManager.h"
#include "state/SettingsStore.h"
#include "ui/DisplayPopoverView.h"
#include "update/UpdateChecker.h"

namespace corvane {

class AlertPresenter;
class GlobalMouseDownSource;
class PopoverDismissalMonitor;
class PopoverWindow;
class StatusItem;

// The application's one long-lived coordinator: owns the state, the tray
// icon, the popover, the refresh timer and the update checks; feeds the
// popover a fresh view after every change and carries out what the user
// picks in it. Main thread only.
class MenuBarController : public QObject {
    Q_OBJECT

  public:
    // The pause of the periodic update loop between two checks.
    static constexpr std::chrono::milliseconds kUpdateCheckInterval = std::chrono::hours(5);

    // What the controller works with but does not own: the platform's
    // services and the user-facing pieces tests replace.
    struct Environment {
        DisplayBackend* displays = nullptr;
        SettingsStore* settings = nullptr;
        LoginItemRegistration* loginItem = nullptr;
        AlertPresenter* alerts = nullptr;
        GlobalMouseDownSource* mouseDowns = nullptr;  // optional: clicks in other windows
        std::function<void()> openDisplaySettings;
        // Makes the update checker the controller owns for the whole run.
        std::function<std::unique_ptr<UpdateChecker>()> makeUpdateChecker;
        std::chrono::milliseconds updateCheckInterval = kUpdateCheckInterval;
    };

    static constexpr int kRefreshIntervalMilliseconds = 2000;
    static inline const QString kInitialUpdateStatus = QStringLiteral("자동 업데이트: 확인 중…");
    static inline const QString kModeChangeFailedTitle =
        QStringLiteral("화면 모드를 변경하지 못했습니다");
    static inline const QString kLoginItemFailedTitle =
        QStringLiteral("로그인 시 실행 설정을 변경하지 못했습니다");
    static inline const QString kSettingsWriteFailedTitle =
        QStringLiteral("설정을 저장하지 못했습니다");

    explicit MenuBarController(Environment environment, QObject* parent = nullptr);
    ~MenuBarController() override;

    // Creates the tray icon and the popover, starts the refresh timer,
    // applies saved modes, draws everything and starts the periodic update
    // loop with its first check.
    void applicationDidFinishLaunching();
    // Stops the timer, the update loop and a running check, the dismissal
    // monitor and the popover.
    void applicationWillTerminate();

    // Starts one update check, whose result becomes the update status line
    // and is then handed to `done`. False, changing nothing, when a check
    // is running already.
    bool performUpdateCheck(std::function<void(const UpdateCheckResult&)> done = {});
    // The footer's "업데이트 확인": a one-off check, whether or not the
    // periodic loop still runs.
    void checkForUpdate();

    // The tray icon's action.
    void togglePopover();
    // The refresh timer's action.
    void refreshState();
    // A display was plugged, unplugged or reconfigured.
    void displayParametersChanged();

    const DisplayStore& store() const { return store_; }
    StatusItem* statusItem() const { return statusItem_.get(); }
    PopoverWindow* popover() const { return popover_.get(); }
    // The view the popover shows, or would show if it were open.
    DisplayPopoverView currentView() { return makeView(); }
    const std::optional<QString>& lastIconSignature() const { return lastIconSignature_; }
    const QString& updateStatusMessage() const { return updateStatusMessage_; }
    bool isCheckingForUpdate() const { return isCheckingForUpdate_; }

  signals:
    // After every redraw of the icon and the popover.
    void redrawn();

  private:
    void quietRedraw();
    void updateStatusItem(bool animateIfChanged);
    void applyStatusItemAppearance();
    void updatePopoverContent();
    DisplayPopoverView makeView();
    StatusIconInput iconInput() const;
    QString iconSignature();

    void selectMode(const DisplayModeInfo& mode, DisplayId display);
    void setLoginItem(bool enabled);
    void setColorMode(MenuBarColorMode mode);
    void showError(const QString& title, const QString& description);
    // Runs a user's action that writes settings and reports a failed write
    // of its own; a failure left from automatic work is not the user's.
    template <typename Action>
    void runSettingsAction(Action&& action);
    void applySavedModes();
    void startUpdateLoop();
    void updateLoopStep();
    void handOffFailed();

    Environment environment_;
    DisplayStore store_;
    LoginItemManager loginItemManager_;
    std::unique_ptr<UpdateChecker> updater_;
    // The periodic update loop's sleep between checks; none once the loop
    // has ended (after a scheduled release, or at quit).
    std::unique_ptr<QTimer> updateTask_;
    bool terminated_ = false;
    std::unique_ptr<StatusItem> statusItem_;
    std::unique_ptr<PopoverWindow> popover_;
    std::unique_ptr<PopoverDismissalMonitor> popoverDismissalMonitor_;
    std::unique_ptr<QTimer> refreshTimer_;
    bool isCheckingForUpdate_ = false;
    QString updateStatusMessage_ = kInitialUpdateStatus;
    std::optional<QString> lastIconSignature_;
    // The input iconSignature() last worked on, and its signature.
    std::optional<StatusIconInput> signedInput_;
    QString signature_;
};

}  // namespace corvane
