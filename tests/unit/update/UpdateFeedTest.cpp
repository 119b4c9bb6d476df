#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

#include "update/UpdateFeed.h"

namespace corvane {
namespace {

TEST(UpdateFeedTest, TheBundleNamesTheReleaseServersManifest) {
    const QString feed = QStringLiteral("https://updates.example:8443/updates/display/latest.json");
    EXPECT_EQ(UpdateFeed::feedURLFromBundleValue(feed), QUrl(feed));
    for (const char* refused :
         {"", "http://updates.example/updates/display/latest.json",
          "https:///updates/display/latest.json", "https://updates.example/latest.json",
          "https://updates.example/updates/display/latest.json?x=1",
          "https://user@updates.example/updates/display/latest.json"}) {
        EXPECT_FALSE(UpdateFeed::feedURLFromBundleValue(QString::fromUtf8(refused))) << refused;
    }
    // This test program runs from no bundle: no remote feed.
    EXPECT_FALSE(UpdateFeed::remoteFeedURL());
}

// Every call follows the home folder as it is then, and creates nothing.
TEST(UpdateFeedTest, FoldersLieUnderTheCurrentHomeFolderWithTheirNames) {
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", "/first/");
    EXPECT_EQ(UpdateFeed::applicationSupportDirectory().toLocalFile(),
              QStringLiteral("/first/Library/Application Support/Corvane"));
    QTemporaryDir temporary(QDir::tempPath() + QStringLiteral("/테스트 user-XXXXXX"));
    ASSERT_TRUE(temporary.isValid());
    const QString user = temporary.path();
    qputenv("HOME", user.toUtf8());
    EXPECT_EQ(UpdateFeed::applicationSupportDirectory(),
              QUrl::fromLocalFile(user + QStringLiteral("/Library/Application Support/Corvane")));
    EXPECT_EQ(
        UpdateFeed::legacyUpdatesDirectory(),
        QUrl::fromLocalFile(user + QStringLiteral("/Library/Mobile Documents/com~apple~CloudDocs/"
                                                  "Documents/Halvern/Corvane/Updates")));
    const QList<QUrl> expected{
        QUrl::fromLocalFile(
            user + QStringLiteral("/Library/Mobile Documents/com~apple~CloudDocs/Corvane")),
        UpdateFeed::legacyUpdatesDirectory()};
    EXPECT_EQ(UpdateFeed::candidateDirectories(), expected);
    EXPECT_TRUE(QDir(user).isEmpty());
    qputenv("HOME", home);
}

}  // namespace
}  // namespace corvane
