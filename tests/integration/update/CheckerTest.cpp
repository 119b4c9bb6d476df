#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>

#include "UpdateFixture.h"
#include "update/ProcessUpdateChecker.h"

namespace corvane::kit {
namespace {

// The check program with the fixture's installed bundle, build and folders.
class CheckerTest : public UpdateTest {
  protected:
    QStringList options() const {
        const auto local = [this](const char* name) {
            return QUrl::fromLocalFile(path(name).c_str()).toString();
        };
        return {"--bundle",  installed().c_str(), "--current-build", "57",
                "--folder",  local("Local1"),     "--folder",        local("Local2"),
                "--support", support().c_str()};
    }
};

TEST_F(CheckerTest, DeliversTheReportAndEndsAStalledCheckOnStop) {
    std::vector<UpdateCheckResult> deliveries;
    const auto record = [&](const UpdateCheckResult& result) { deliveries.push_back(result); };
    ProcessUpdateChecker idle(CORVANE_UPDATE_CHECK_PATH, options());
    idle.checkAndScheduleUpdate(record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !deliveries.empty(); }, 10000));
    EXPECT_EQ(deliveries, std::vector{UpdateCheckResult::unavailable()});

    // A server that accepts connections and never answers: the check would
    // wait for the request's 20-second idle timeout. Stopped, the check
    // program ends by itself, before the second after which it is killed.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    QElapsedTimer quitting;
    {
        ProcessUpdateChecker checker(
            CORVANE_UPDATE_CHECK_PATH,
            options() << "--remote"
                      << QStringLiteral("https://127.0.0.1:%1/").arg(silent.serverPort()));
        checker.checkAndScheduleUpdate(record);
        ASSERT_TRUE(QTest::qWaitFor([&] { return silent.hasPendingConnections(); }, 10000));
        quitting.start();
        checker.stop();
    }
    EXPECT_LT(quitting.elapsed(), 1000);
    QTest::qWait(200);
    EXPECT_EQ(deliveries.size(), 1u);  // none after the stop
}

TEST_F(CheckerTest, ReportsAToolThatEndsWhileTheApplicationRunsAndForgetsItsBuild) {
    makeReleaseBundle(path("Bundle"));
    publish(path("Bundle"), path("Local1"));
    ProcessUpdateChecker checker(CORVANE_UPDATE_CHECK_PATH, options());
    int failures = 0;
    checker.setHandOffFailedHandler([&] { ++failures; });
    // The second check starts a tool again rather than reporting the failed
    // hand-off as scheduled; each tool is told to stop this process.
    for (int round = 1; round <= 2; ++round) {
        std::optional<UpdateCheckResult> result;
        checker.checkAndScheduleUpdate([&](const UpdateCheckResult& r) { result = r; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return failures == round; }, 20000)) << round;
        ASSERT_TRUE(result);
        EXPECT_EQ(result->manifest()->build, 58);
        const auto tool = harness::waitForReport(report(), 1s);
        ASSERT_TRUE(tool);
        EXPECT_EQ(tool->at("arg2"), std::to_string(::getpid()));
        fs::remove(report());
    }

    // A check program that ends some other way while its tool still works
    // says nothing of the hand-off: the build stays handed off.
    qputenv("CORVANE_TEST_LINGER_MS", "5000");
    std::vector<UpdateCheckResult> results;
    const auto record = [&](const UpdateCheckResult& result) { results.push_back(result); };
    checker.checkAndScheduleUpdate(record);
    ASSERT_TRUE(harness::waitForReport(report(), 10s));
    fs::remove(report());
    checker.findChild<QProcess*>()->kill();
    QTest::qWait(300);
    checker.checkAndScheduleUpdate(record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.size() == 2; }, 10000));
    EXPECT_EQ(results[1], results[0]);
    EXPECT_FALSE(harness::waitForReport(report(), 300ms));
    EXPECT_EQ(failures, 2);
}

}  // namespace
}  // namespace corvane::kit
