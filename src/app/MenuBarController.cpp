#include "app/MenuBarController.h"

#include <QApplication>

#include "app/AlertPresenter.h"
#include "app/PopoverDismissalMonitor.h"
#include "app/PopoverWindow.h"
#include "app/StatusItem.h"
#include "ui/MenuBarAppearance.h"

namespace corvane {

namespace {

const QString kUpdateCheckFailedStatus = QStringLiteral("자동 업데이트: 확인 실패");

QString updateStatusLine(const UpdateCheckResult& result) {
    switch (result.kind()) {
        case UpdateCheckResult::Kind::scheduled:
            return QStringLiteral("자동 업데이트: v") + result.manifest()->version +
                   QStringLiteral(" 적용 중…");
        case UpdateCheckResult::Kind::latest:
            return QStringLiteral("자동 업데이트: 최신 버전");
        case UpdateCheckResult::Kind::unavailable:
            return QStringLiteral("자동 업데이트: 업데이트 피드 대기");
        case UpdateCheckResult::Kind::failed:
            break;
    }
    return kUpdateCheckFailedStatus;
}

}  // namespace

MenuBarController::MenuBarController(Environment environment, QObject* parent)
    : QObject(parent),
      environment_(std::move(environment)),
      store_(*environment_.displays, *environment_.settings),
      loginItemManager_(*environment_.loginItem),
      updater_(environment_.makeUpdateChecker()) {
    const QPointer<MenuBarController> self(this);
    updater_->setHandOffFailedHandler([self] {
        if (self) {
            self->handOffFailed();
        }
    });
}

MenuBarController::~MenuBarController() {
    applicationWillTerminate();
}

template <typename Action>
void MenuBarController::runSettingsAction(Action&& action) {
    (void)store_.takeWriteError();
    action();
    if (const std::optional<SettingsError> error = store_.takeWriteError()) {
        showError(kSettingsWriteFailedTitle, error->description());
    }
}

void MenuBarController::applicationDidFinishLaunching() {
    statusItem_ = std::make_unique<StatusItem>();
    connect(statusItem_.get(), &StatusItem::activated, this, &MenuBarController::togglePopover);

    popover_ = std::make_unique<PopoverWindow>();
    popoverDismissalMonitor_ = std::make_unique<PopoverDismissalMonitor>(
        popover_.get(), statusItem_.get(), environment_.mouseDowns);

    refreshTimer_ = std::make_unique<QTimer>();
    refreshTimer_->setInterval(kRefreshIntervalMilliseconds);
    connect(refreshTimer_.get(), &QTimer::timeout, this, &MenuBarController::refreshState);
    refreshTimer_->start();

    applySavedModes();
    quietRedraw();
    statusItem_->show();

    startUpdateLoop();
    updateLoopStep();
}

void MenuBarController::applicationWillTerminate() {
    terminated_ = true;
    refreshTimer_.reset();
    // A sleeping loop ends here; a running check ends within moments and
    // reports nothing.
    updateTask_.reset();
    updater_->stop();
    if (popoverDismissalMonitor_) {
        popoverDismissalMonitor_->invalidate();
        popoverDismissalMonitor_.reset();
    }
    if (popover_) {
        popover_->close();
    }
}

void MenuBarController::startUpdateLoop() {
    updateTask_ = std::make_unique<QTimer>();
    updateTask_->setSingleShot(true);
    updateTask_->setInterval(environment_.updateCheckInterval);
    connect(updateTask_.get(), &QTimer::timeout, this, &MenuBarController::updateLoopStep);
}

// One turn of the periodic loop: a check unless one runs already, then the
// sleep; a scheduled release ends the loop for the rest of the run.
void MenuBarController::updateLoopStep() {
    const QPointer<MenuBarController> self(this);
    const bool started = performUpdateCheck([self](const UpdateCheckResult& result) {
        if (!self || !self->updateTask_) {
            return;
        }
        if (result.kind() == UpdateCheckResult::Kind::scheduled) {
            self->updateTask_.reset();
        } else {
            self->updateTask_->start();
        }
    });
    if (!started) {
        updateTask_->start();
    }
}

bool MenuBarController::performUpdateCheck(std::function<void(const UpdateCheckResult&)> done) {
    if (isCheckingForUpdate_) {
        return false;
    }
    isCheckingForUpdate_ = true;
    updateStatusMessage_ = kInitialUpdateStatus;
    quietRedraw();
    const QPointer<MenuBarController> self(this);
    updater_->checkAndScheduleUpdate(
        [self, done = std::move(done)](const UpdateCheckResult& result) {
            if (!self) {
                return;
            }
            self->isCheckingForUpdate_ = false;
            self->updateStatusMessage_ = updateStatusLine(result);
            self->quietRedraw();
            if (done) {
                done(result);
            }
        });
    return true;
}

void MenuBarController::checkForUpdate() {
    performUpdateCheck();
}

// The replacement tool ended while this application runs: the release was
// not installed. The user learns that the update failed, and the periodic
// loop, if a scheduled release had ended it, goes on from its sleep rather
// than handing the same release off again at once.
void MenuBarController::handOffFailed() {
    updateStatusMessage_ = kUpdateCheckFailedStatus;
    quietRedraw();
    if (!updateTask_ && !terminated_) {
        startUpdateLoop();
        updateTask_->start();
    }
}

void MenuBarController::togglePopover() {
    if (!popover_ || !statusItem_) {
        return;
    }
    if (popover_->isShown()) {
        popover_->close();
        return;
    }
    store_.refresh();
    quietRedraw();
    popover_->setView(makeView());
    popover_->showAnchored(statusItem_->geometry());
}

void MenuBarController::refreshState() {
    store_.refresh();
    updateStatusItem(true);
}

void MenuBarController::displayParametersChanged() {
    store_.refresh();
    applySavedModes();
    updateStatusItem(true);
}

void MenuBarController::applySavedModes() {
    store_.applySavedModesIfNeeded();
}

StatusIconInput MenuBarController::iconInput() const {
    StatusIconInput input;
    input.display = store_.selectedDisplay();
    input.style = store_.iconStyle();
    input.colorMode = store_.colorMode();
    input.menuBar = desktopAppearance();
    return input;
}

QString MenuBarController::iconSignature() {
    // Most refreshes find the input unchanged, and with it the signature.
    StatusIconInput input = iconInput();
    if (input != signedInput_) {
        signature_ = StatusIconModel::signature(input);
        signedInput_ = std::move(input);
    }
    return signature_;
}

void MenuBarController::quietRedraw() {
    lastIconSignature_ = iconSignature();
    applyStatusItemAppearance();
    updatePopoverContent();
    emit redrawn();
}

void MenuBarController::updateStatusItem(bool animateIfChanged) {
    const QString signature = iconSignature();
    const bool changed = lastIconSignature_ && *lastIconSignature_ != signature;
    lastIconSignature_ = signature;
    applyStatusItemAppearance();
    updatePopoverContent();
    if (animateIfChanged && changed && store_.animateOnChange() && statusItem_) {
        statusItem_->pulse();
    }
    emit redrawn();
}

void MenuBarController::applyStatusItemAppearance() {
    if (statusItem_) {
        statusItem_->apply(iconInput());
    }
}

void MenuBarController::updatePopoverContent() {
    // A hidden panel gets its view when it opens; building one on every
    // refresh would read the login item and copy the displays for nothing.
    if (popover_ && popover_->isShown()) {
        popover_->setView(makeView());
    }
}

DisplayPopoverView MenuBarController::makeView() {
    DisplayPopoverView view;
    view.display = store_.selectedDisplay();
    view.displays = store_.displays();
    view.iconStyle = store_.iconStyle();
    view.colorMode = store_.colorMode();
    view.animateOnChange = store_.animateOnChange();
    view.autoApplyOnLaunch = store_.autoApplyOnLaunch();
    view.loginItemEnabled = loginItemManager_.isEnabled();
    view.updateStatusMessage = updateStatusMessage_;
    view.isCheckingForUpdate = isCheckingForUpdate_;

    // The panel may outlive a redraw; its callbacks must not outlive the
    // controller.
    const QPointer<MenuBarController> self(this);
    view.onSelectDisplay = [self](DisplayId display) {
        if (self) {
            self->runSettingsAction([&] { self->store_.selectDisplay(display); });
            self->updateStatusItem(true);
        }
    };
    view.onSelectMode = [self](const DisplayModeInfo& mode, DisplayId display) {
        if (self) {
            self->selectMode(mode, display);
        }
    };
    view.onSelectIconStyle = [self](MenuBarIconStyle style) {
        if (self) {
            self->runSettingsAction([&] { self->store_.setIconStyle(style); });
            self->updateStatusItem(true);
        }
    };
    view.onSetColorMode = [self](MenuBarColorMode mode) {
        if (self) {
            self->setColorMode(mode);
        }
    };
    view.onSetAnimateOnChange = [self](bool on) {
        if (self) {
            self->runSettingsAction([&] { self->store_.setAnimateOnChange(on); });
            self->quietRedraw();
        }
    };
    view.onSetAutoApply = [self](bool on) {
        if (self) {
            self->runSettingsAction([&] { self->store_.setAutoApplyOnLaunch(on); });
            self->quietRedraw();
        }
    };
    view.onSetLoginItem = [self](bool enabled) {
        if (self) {
            self->setLoginItem(enabled);
        }
    };
    view.onRefresh = [self] {
        if (self) {
            self->store_.refresh();
            self->updateStatusItem(true);
        }
    };
    view.onOpenSettings = [self] {
        if (self && self->environment_.openDisplaySettings) {
            self->environment_.openDisplaySettings();
        }
    };
    view.onCheckForUpdate = [self] {
        if (self) {
            self->checkForUpdate();
        }
    };
    view.onQuit = [self] {
        if (self) {
            QCoreApplication::quit();
        }
    };
    return view;
}

void MenuBarController::selectMode(const DisplayModeInfo& mode, DisplayId display) {
    std::optional<DisplayServiceError> error;
    runSettingsAction([&] { error = store_.applyMode(mode, display); });
    if (error) {
        showError(kModeChangeFailedTitle, error->description());
    }
    // Drawn either way: a display may have changed while the user chose.
    updateStatusItem(true);
}

void MenuBarController::setLoginItem(bool enabled) {
    if (enabled != loginItemManager_.isEnabled()) {
        if (const std::optional<LoginItemError> error = loginItemManager_.setEnabled(enabled)) {
            showError(kLoginItemFailedTitle, error->description());
            return;
        }
    }
    quietRedraw();
}

void MenuBarController::setColorMode(MenuBarColorMode mode) {
    runSettingsAction([&] { store_.setColorMode(mode); });
    quietRedraw();
}

void MenuBarController::showError(const QString& title, const QString& description) {
    // The alert takes the focus, which would close the popover anyway; it
    // goes first so that it never covers the alert.
    if (popover_) {
        popover_->close();
    }
    environment_.alerts->showWarning(title, description);
}

}  // namespace corvane
