#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "SettingsPayload.h"
#include "platform/linux/settings/FileSettingsStore.h"

namespace corvane {
namespace {

using testing::kPayloadKey;
using testing::kRoundKey;
using testing::roundOf;

TEST(SettingsKillTest, WriterKilledAtAnyMomentNeverLeavesATornFile) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString file = home.path() + "/Corvane/settings.plist";

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);

    std::set<std::int64_t> roundsSeen;
    constexpr int kKills = 30;
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(CORVANE_SETTINGS_WRITER), {file});
        ASSERT_TRUE(writer.waitForStarted(10'000));
        ASSERT_TRUE(writer.waitForReadyRead(10'000)) << writer.readAllStandardError().toStdString();
        const QList<QByteArray> ready = writer.readLine().trimmed().split(' ');
        ASSERT_EQ(ready.size(), 2);
        ASSERT_EQ(ready[0], "ready");
        // Anywhere within the next few rounds, however fast this machine writes.
        const long long roundMicroseconds = std::max(ready[1].toLongLong(), 1000LL);
        std::uniform_int_distribution<long long> delay(0, 4 * roundMicroseconds);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        writer.kill();  // SIGKILL to this child's process identifier
        ASSERT_TRUE(writer.waitForFinished(10'000));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit)
            << writer.readAllStandardError().toStdString();

        FileSettingsStore store(file);
        ASSERT_FALSE(store.setAsidePath().has_value()) << "torn file after kill " << kill;
        const auto payload = store.data(kPayloadKey);
        ASSERT_TRUE(payload.has_value());
        const auto payloadRound = roundOf(*payload);
        ASSERT_TRUE(payloadRound.has_value()) << "torn value after kill " << kill;
        const auto round = store.integer(kRoundKey);
        ASSERT_TRUE(round.has_value());
        // Killed either between the two writes of a round or after both.
        EXPECT_TRUE(*payloadRound == *round || *payloadRound == *round + 1);
        roundsSeen.insert(*round);
    }
    // No temporary file is left once a store has opened the folder.
    EXPECT_EQ(QDir(home.path() + "/Corvane").entryList(QDir::Files), QStringList{"settings.plist"});
    // The kills landed at different points of the writers' work.
    EXPECT_GT(roundsSeen.size(), 1u);
}

}  // namespace
}  // namespace corvane
