#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/statusicon/StatusIconModel.h"
#include "display/DisplayBackend.h"
#include "display/DisplayChangeEcho.h"
#include "display/MenuBarStyle.h"
#include "state/DisplayStore.h"
#include "state/LoginItemManager.h"
#include "state/SettingsStore.h"
#include "ui/DisplayPopoverView.h"
#include "update/AppUpdater.h"

namespace corvane {

class AlertPresenter;
class GlobalMouseDownSource;
class PopoverDismissalMonitor;
class PopoverWindow;
class StatusItem;
class EngineUpdateChecker;

// The application's one long-lived coordinator: owns the state, the tray
// icon, the popover and the refresh timer; feeds the popover a fresh view
// after every change and carries out what the user picks in it. Main
// thread only.
class MenuBarController : public QObject {
    Q_OBJECT

  public:
    // What the controller works with but does not own: the platform's
    // services and the user-facing pieces tests replace.
    struct Environment {
        DisplayBackend* displays = nullptr;
        SettingsStore* settings = nullptr;
        LoginItemRegistration* loginItem = nullptr;
        AlertPresenter* alerts = nullptr;
        DisplayChangeEcho* changeEcho = nullptr;      // optional
        GlobalMouseDownSource* mouseDowns = nullptr;  // optional: clicks in other windows
        std::function<void()> openDisplaySettings;
        AppUpdater::Parameters updater;
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
    // applies saved modes and draws everything.
    void applicationDidFinishLaunching();
    // Stops the timer, the dismissal monitor and the popover.
    void applicationWillTerminate();

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

    Environment environment_;
    DisplayStore store_;
    LoginItemManager loginItemManager_;
    std::unique_ptr<EngineUpdateChecker> updater_;
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
