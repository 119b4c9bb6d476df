#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "app/AlertPresenter.h"
#include "app/MenuBarController.h"
#include "app/PopoverWindow.h"
#include "platform/linux/autostart/XdgAutostartEntry.h"
#include "state/InMemorySettingsStore.h"
#include "support/FakeDisplayBackend.h"
#include "ui/DisplayPopoverWidget.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kInterval = 100ms;

// An engine whose checks end when the test says so, as results arriving
// from the engine's thread would.
struct FakeChecker : UpdateChecker {
    void checkAndScheduleUpdate(ResultHandler onResult) override { checks.push_back(onResult); }
    void setHandOffFailedHandler(HandOffFailedHandler onFailed) override {
        handOffFailed = std::move(onFailed);
    }
    void stop() override { stopped = true; }
    // Ends the oldest running check.
    void finish(const UpdateCheckResult& result) { checks.at(finished++)(result); }

    std::vector<ResultHandler> checks;
    std::size_t finished = 0;
    HandOffFailedHandler handOffFailed;
    bool stopped = false;
};

struct NoAlerts : AlertPresenter {
    void showWarning(const QString& title, const QString&) override {
        ADD_FAILURE() << "an update raised an alert: " << title.toStdString();
    }
};

const UpdateCheckResult kScheduled = UpdateCheckResult::scheduled({"1.4", 58, "C.zip", {}});
const QString kChecking = QStringLiteral("자동 업데이트: 확인 중…");

class UpdateSchedulingTest : public ::testing::Test {
  protected:
    std::unique_ptr<MenuBarController> launch() {
        MenuBarController::Environment environment;
        environment.displays = &displays;
        environment.settings = &settings;
        environment.loginItem = &login;
        environment.alerts = &alerts;
        environment.makeUpdateChecker = [this] {
            auto made = std::make_unique<FakeChecker>();
            checker = made.get();
            return made;
        };
        environment.updateCheckInterval = kInterval;
        auto controller = std::make_unique<MenuBarController>(std::move(environment));
        controller->applicationDidFinishLaunching();
        controller->togglePopover();
        return controller;
    }

    // The status line and the running check, as the controller and the
    // open popover show them.
    static void expectShown(const MenuBarController& controller, const QString& status,
                            bool checking) {
        EXPECT_EQ(controller.updateStatusMessage(), status);
        EXPECT_EQ(controller.popover()->panel()->view().updateStatusMessage, status);
        EXPECT_EQ(controller.isCheckingForUpdate(), checking);
        EXPECT_EQ(controller.popover()->panel()->view().isCheckingForUpdate, checking);
    }

    // Waits for the loop's next check, which comes no sooner than its sleep.
    void expectNextCheckAfterTheSleep() {
        const std::size_t before = checker->checks.size();
        QElapsedTimer slept;
        slept.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return checker->checks.size() == before + 1; }, 5000));
        // A coarse timer may fire up to 5 % early.
        EXPECT_GE(slept.elapsed(), kInterval.count() * 9 / 10);
    }

    testing::FakeDisplayBackend displays;
    InMemorySettingsStore settings;
    QTemporaryDir folder;
    XdgAutostartEntry login{folder.filePath("corvane.desktop"),
                            "/opt/Corvane.app/Contents/MacOS/Corvane"};
    NoAlerts alerts;
    FakeChecker* checker = nullptr;
};

TEST_F(UpdateSchedulingTest, FirstCheckAtLaunchThenEveryIntervalUntilScheduled) {
    const std::pair<UpdateCheckResult, const char*> rows[] = {
        {kScheduled, "자동 업데이트: v1.4 적용 중…"},
        {UpdateCheckResult::latest(), "자동 업데이트: 최신 버전"},
        {UpdateCheckResult::unavailable(), "자동 업데이트: 업데이트 피드 대기"},
        {UpdateCheckResult::failed(), "자동 업데이트: 확인 실패"}};
    for (const auto& [result, status] : rows) {
        SCOPED_TRACE(status);
        const auto controller = launch();
        EXPECT_EQ(checker->checks.size(), 1u);
        expectShown(*controller, kChecking, true);

        checker->finish(result);
        expectShown(*controller, QString::fromUtf8(status), false);
        if (result.kind() == UpdateCheckResult::Kind::scheduled) {
            QTest::qWait(5 * kInterval.count());
            EXPECT_EQ(checker->checks.size(), 1u) << "the loop goes on after a scheduled release";
            controller->checkForUpdate();
            EXPECT_EQ(checker->checks.size(), 2u) << "the footer's check must still run";
            checker->finish(kScheduled);
            // A failed hand-off reads as a failed check, and the loop goes on
            // from its sleep instead of handing the release off again at once.
            checker->handOffFailed();
            expectShown(*controller, QStringLiteral("자동 업데이트: 확인 실패"), false);
        }
        expectNextCheckAfterTheSleep();
        expectShown(*controller, kChecking, true);
    }
}

TEST_F(UpdateSchedulingTest, OneCheckAtATimeAndQuittingEndsTheLoop) {
    const auto controller = launch();
    // Asked for while the periodic check runs: nothing happens.
    controller->checkForUpdate();
    EXPECT_FALSE(controller->performUpdateCheck());
    EXPECT_EQ(checker->checks.size(), 1u);
    expectShown(*controller, kChecking, true);
    checker->finish(UpdateCheckResult::latest());

    // A manual check while the loop sleeps; the loop, waking meanwhile,
    // starts none of its own.
    controller->checkForUpdate();
    EXPECT_EQ(checker->checks.size(), 2u);
    QTest::qWait(3 * kInterval.count());
    EXPECT_EQ(checker->checks.size(), 2u);
    // A release scheduled by a manual check leaves the loop running.
    checker->finish(kScheduled);
    ASSERT_TRUE(QTest::qWaitFor([&] { return checker->checks.size() == 3u; }, 5000));
    checker->finish(UpdateCheckResult::latest());

    // Quitting while the loop sleeps: no further check, and the engine
    // is told to stop.
    controller->applicationWillTerminate();
    EXPECT_TRUE(checker->stopped);
    QTest::qWait(3 * kInterval.count());
    EXPECT_EQ(checker->checks.size(), 3u);
}

}  // namespace
}  // namespace corvane
