#include <QElapsedTimer>
#include <QTcpServer>
#include <QThread>

#include "UpdateTest.h"
#include "update/EngineUpdateChecker.h"

namespace corvane {
namespace {

TEST_F(UpdateTest, CheckerDeliversOnTheMainThreadAndStopsAStalledCheck) {
    std::optional<UpdateCheckResult> result;
    QThread* deliveredOn = nullptr;
    {
        AppUpdater::Parameters nothing = parameters();
        nothing.updateDirectories = QList<QUrl>();
        EngineUpdateChecker checker(nothing);
        checker.checkAndScheduleUpdate([&](const UpdateCheckResult& r) {
            result = r;
            deliveredOn = QThread::currentThread();
        });
        runEventsUntil([&] { return result.has_value(); }, 10s);
    }
    EXPECT_EQ(result, UpdateCheckResult::unavailable());
    EXPECT_EQ(deliveredOn, QThread::currentThread());

    // A server that accepts connections and never answers: the check would
    // wait for its 20-second idle timeout.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    AppUpdater::Parameters stalled = parameters();
    stalled.remoteFeedURL =
        QUrl(QStringLiteral("https://127.0.0.1:%1/latest.json").arg(silent.serverPort()));
    bool called = false;
    QElapsedTimer quitting;
    {
        EngineUpdateChecker checker(stalled);
        checker.checkAndScheduleUpdate([&](const UpdateCheckResult&) { called = true; });
        runEventsUntil([] { return false; }, 500ms);
        quitting.start();
        checker.stop();
    }
    EXPECT_LT(quitting.elapsed(), 2000);
    runEventsUntil([] { return false; }, 200ms);
    EXPECT_FALSE(called);
}

}  // namespace
}  // namespace corvane
