#include <gtest/gtest.h>
#include <signal.h>

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <functional>
#include <thread>

#include "display/DisplayService.h"
#include "platform/x11/X11DisplayChangeMonitor.h"
#include "tests/integration/x11/X11TestServer.h"

namespace corvane::testing {
namespace {

// Long enough for any straggling event of a burst to have been reported.
constexpr int kSettleMs = 600;

struct ExternalChange : NamedCase {
    std::function<void(XorgServer&)> make;
};

class X11DisplayChangeMonitorTest : public ::testing::TestWithParam<ExternalChange> {
  protected:
    void SetUp() override {
        server = std::make_unique<XorgServer>(testServerOptions());
        server->plug("DUMMY1", "T60");
        monitor = std::make_unique<X11DisplayChangeMonitor>(server->displayName());
        ASSERT_TRUE(monitor->isConnected());
    }

    std::unique_ptr<XorgServer> server;
    std::unique_ptr<X11DisplayChangeMonitor> monitor;
};

TEST_P(X11DisplayChangeMonitorTest, ReportsAChangeFromOutsideOnce) {
    QSignalSpy changes(monitor.get(), &X11DisplayChangeMonitor::displaysChanged);
    GetParam().make(*server);
    ASSERT_TRUE(changes.wait(5000));
    QTest::qWait(kSettleMs);
    EXPECT_EQ(changes.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, X11DisplayChangeMonitorTest,
    ::testing::Values(
        ExternalChange{"Plug",
                       [](XorgServer& s) {
                           s.plug("DUMMY2", "P60", {"--right-of", "DUMMY1"});
                       }},
        ExternalChange{"Unplug", [](XorgServer& s) { s.unplug("DUMMY1"); }},
        ExternalChange{"Switch", [](XorgServer& s) { s.setMode("DUMMY1", "Big60"); }},
        ExternalChange{"Edid", [](XorgServer& s) { s.attachEdid("DUMMY1", monitorEdid("Beta")); }}),
    CaseName());

TEST_F(X11DisplayChangeMonitorTest, DropsExactlyTheEventsOfTheApplicationsOwnSwitch) {
    QSignalSpy changes(monitor.get(), &X11DisplayChangeMonitor::displaysChanged);
    auto backend = connectBackend(*server);
    backend->setChangeFeed(monitor.get());
    DisplayService service(*backend);
    const DisplayInfo right = service.snapshot().at(1);
    const std::optional<DisplayModeInfo> big = modeAt(right.modes, 2400, 1500, 60.0);
    ASSERT_TRUE(big);

    EXPECT_EQ(service.setMode(*big, right.id), std::nullopt);
    QTest::qWait(kSettleMs);
    EXPECT_EQ(changes.count(), 0);

    // A change from outside whose events are still unread when the
    // application switches is not taken for its own.
    server->setMode("DUMMY0", "T75");
    EXPECT_EQ(service.setMode(*right.currentMode, right.id), std::nullopt);
    EXPECT_TRUE(changes.wait(5000));
}

TEST_F(X11DisplayChangeMonitorTest, SnapshotsAskTheServerAgainOnlyAfterAnEvent) {
    auto backend = connectBackend(*server);
    backend->setChangeFeed(monitor.get());
    DisplayService service(*backend);
    service.snapshot();
    server->setMode("DUMMY1", "Big60");
    const std::vector<DisplayInfo> after = service.snapshot();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].currentMode->width, 2400);

    // Nothing new: a stopped server does not hold the next snapshot up.
    std::atomic<bool> done{false};
    std::atomic<bool> resumed{false};
    ASSERT_EQ(::kill(server->pid(), SIGSTOP), 0);
    std::thread watchdog([&] {
        for (int i = 0; i < 500 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        resumed = !done;
        ::kill(server->pid(), SIGCONT);
    });
    EXPECT_EQ(service.snapshot(), after);
    done = true;
    watchdog.join();
    EXPECT_FALSE(resumed);
}

TEST_F(X11DisplayChangeMonitorTest, ReportsTheLossOfTheServerAndNothingAfter) {
    QSignalSpy lost(monitor.get(), &X11DisplayChangeMonitor::connectionLost);
    QSignalSpy changes(monitor.get(), &X11DisplayChangeMonitor::displaysChanged);
    server->stop();
    ASSERT_TRUE(lost.wait(5000));
    EXPECT_FALSE(monitor->isConnected());
    EXPECT_EQ(monitor->changeCount(), std::nullopt);
    EXPECT_EQ(monitor->ownChangeMarkerWindow(), 0u);
    QTest::qWait(200);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_EQ(changes.count(), 0);
}

}  // namespace
}  // namespace corvane::testing
