#include <QElapsedTimer>
#include <QTcpServer>
#include <QThread>

#include "UpdateFixture.h"
#include "update/EngineUpdateChecker.h"

namespace corvane::kit {
namespace {

TEST_F(UpdateTest, CheckerDeliversOnTheMainThreadAndStopsAStalledCheck) {
    std::vector<QThread*> deliveries;
    const auto record = [&](const UpdateCheckResult& result) {
        EXPECT_EQ(result, UpdateCheckResult::unavailable());
        deliveries.push_back(QThread::currentThread());
    };
    EngineUpdateChecker idle(parameters());
    idle.checkAndScheduleUpdate(record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !deliveries.empty(); }, 10000));
    EXPECT_EQ(deliveries, std::vector<QThread*>{QThread::currentThread()});

    // A server that accepts connections and never answers: the check would
    // wait for the request's 20-second idle timeout.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    AppUpdater::Parameters stalled = parameters();
    stalled.remoteFeedURL = QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(silent.serverPort()));
    // The check waits on the engine's own thread, and quitting ends it at once.
    QElapsedTimer quitting;
    quitting.start();
    {
        EngineUpdateChecker checker(stalled);
        checker.checkAndScheduleUpdate(record);
        QTest::qWait(500);
        checker.stop();
    }
    EXPECT_LT(quitting.elapsed(), 2500);
    QTest::qWait(200);
    EXPECT_EQ(deliveries.size(), 1u);  // none after the stop
}

TEST_F(UpdateTest, CheckerReportsAToolThatEndsWhileTheApplicationRunsAndForgetsItsBuild) {
    makeReleaseBundle(path("Bundle"));
    publish(path("Bundle"), path("Local1"));
    EngineUpdateChecker checker(parameters());
    int failures = 0;
    checker.setHandOffFailedHandler([&] { ++failures; });
    // The second check starts a tool again rather than reporting the failed
    // hand-off as scheduled.
    for (int round = 1; round <= 2; ++round) {
        checker.checkAndScheduleUpdate([](const UpdateCheckResult&) {});
        ASSERT_TRUE(QTest::qWaitFor([&] { return failures == round; }, 20000)) << round;
    }
}

}  // namespace
}  // namespace corvane::kit
