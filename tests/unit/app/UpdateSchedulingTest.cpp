#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include "app/AlertPresenter.h"
#include "app/MenuBarController.h"
#include "state/InMemorySettingsStore.h"
#include "support/FakeDisplayBackend.h"

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
    int started() const { return static_cast<int>(checks.size()); }

    std::vector<ResultHandler> checks;
    std::size_t finished = 0;
    HandOffFailedHandler handOffFailed;
    bool stopped = false;
};

struct NoLoginItem : LoginItemRegistration {
    bool isRegistered() const override { return false; }
    std::optional<LoginItemError> registerItem() override { return std::nullopt; }
    std::optional<LoginItemError> unregisterItem() override { return std::nullopt; }
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
        return controller;
    }

    // The status line and the running check, as the controller and the
    // popover's newest view show them.
    static void expectShown(const MenuBarController& controller, const QString& status,
                            bool checking) {
        EXPECT_EQ(controller.updateStatusMessage(), status);
        EXPECT_EQ(controller.currentView().updateStatusMessage, status);
        EXPECT_EQ(controller.isCheckingForUpdate(), checking);
        EXPECT_EQ(controller.currentView().isCheckingForUpdate, checking);
    }

    // Waits for the loop's next check, which comes no sooner than its sleep.
    void expectNextCheckAfterTheSleep() {
        const int before = checker->started();
        QElapsedTimer slept;
        slept.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return checker->started() == before + 1; }, 5000));
        // A coarse timer may fire up to 5 % early.
        EXPECT_GE(slept.elapsed(), kInterval.count() * 9 / 10);
    }

    testing::FakeDisplayBackend displays;
    InMemorySettingsStore settings;
    NoLoginItem login;
    NoAlerts alerts;
    FakeChecker* checker = nullptr;
};

struct ResultCase {
    const char* name;
    UpdateCheckResult result;
    QString status;
};

std::ostream& operator<<(std::ostream& out, const ResultCase& row) {
    return out << row.name;
}

class UpdateResultTest : public UpdateSchedulingTest,
                         public ::testing::WithParamInterface<ResultCase> {};

TEST_P(UpdateResultTest, FirstCheckAtLaunchThenEveryIntervalUntilScheduled) {
    const auto controller = launch();
    EXPECT_EQ(checker->started(), 1);
    expectShown(*controller, kChecking, true);

    checker->finish(GetParam().result);
    expectShown(*controller, GetParam().status, false);
    if (GetParam().result.kind() == UpdateCheckResult::Kind::scheduled) {
        QTest::qWait(5 * kInterval.count());
        EXPECT_EQ(checker->started(), 1) << "the loop goes on after a scheduled release";
        controller->checkForUpdate();
        EXPECT_EQ(checker->started(), 2) << "the footer's check must still run";
        checker->finish(kScheduled);
        // A failed hand-off reads as a failed check, and the loop goes on
        // from its sleep instead of handing the release off again at once.
        checker->handOffFailed();
        expectShown(*controller, QStringLiteral("자동 업데이트: 확인 실패"), false);
    }
    expectNextCheckAfterTheSleep();
    expectShown(*controller, kChecking, true);
}

INSTANTIATE_TEST_SUITE_P(
    Results, UpdateResultTest,
    ::testing::Values(ResultCase{"scheduled", kScheduled,
                                 QStringLiteral("자동 업데이트: v1.4 적용 중…")},
                      ResultCase{"latest", UpdateCheckResult::latest(),
                                 QStringLiteral("자동 업데이트: 최신 버전")},
                      ResultCase{"unavailable", UpdateCheckResult::unavailable(),
                                 QStringLiteral("자동 업데이트: 업데이트 피드 대기")},
                      ResultCase{"failed", UpdateCheckResult::failed(),
                                 QStringLiteral("자동 업데이트: 확인 실패")}),
    [](const auto& info) { return info.param.name; });

TEST_F(UpdateSchedulingTest, OneCheckAtATimeAndQuittingEndsTheLoop) {
    const auto controller = launch();
    // Asked for while the periodic check runs: nothing happens.
    controller->checkForUpdate();
    EXPECT_FALSE(controller->performUpdateCheck());
    EXPECT_EQ(checker->started(), 1);
    expectShown(*controller, kChecking, true);
    checker->finish(UpdateCheckResult::latest());

    // A manual check while the loop sleeps; the loop, waking meanwhile,
    // starts none of its own.
    controller->checkForUpdate();
    EXPECT_EQ(checker->started(), 2);
    QTest::qWait(3 * kInterval.count());
    EXPECT_EQ(checker->started(), 2);
    // A release scheduled by a manual check leaves the loop running.
    checker->finish(kScheduled);
    ASSERT_TRUE(QTest::qWaitFor([&] { return checker->started() == 3; }, 5000));
    checker->finish(UpdateCheckResult::latest());

    // Quitting while the loop sleeps: no further check, and the engine
    // is told to stop.
    controller->applicationWillTerminate();
    EXPECT_TRUE(checker->stopped);
    QTest::qWait(3 * kInterval.count());
    EXPECT_EQ(checker->started(), 3);
}

}  // namespace
}  // namespace corvane
