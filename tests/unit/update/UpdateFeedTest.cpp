#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtGlobal>

#include "update/UpdateFeed.h"

namespace corvane {
namespace {

// Points HOME somewhere else for one test and puts it back afterwards.
class HomeFolder {
  public:
    explicit HomeFolder(const QByteArray& path)
        : hadOld_(qEnvironmentVariableIsSet("HOME")), old_(qgetenv("HOME")) {
        qputenv("HOME", path);
    }
    ~HomeFolder() {
        if (hadOld_) {
            qputenv("HOME", old_);
        } else {
            qunsetenv("HOME");
        }
    }

  private:
    bool hadOld_;
    QByteArray old_;
};

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

TEST(UpdateFeedTest, FoldersLieUnderTheHomeFolderWithTheirNames) {
    const HomeFolder home("/home/테스트 user");
    EXPECT_EQ(UpdateFeed::applicationSupportDirectory(),
              QUrl::fromLocalFile(
                  QStringLiteral("/home/테스트 user/Library/Application Support/Corvane")));
    EXPECT_EQ(UpdateFeed::legacyUpdatesDirectory(),
              QUrl::fromLocalFile(QStringLiteral(
                  "/home/테스트 user/Library/Mobile Documents/com~apple~CloudDocs/Documents/"
                  "Halvern/Corvane/Updates")));
    const QList<QUrl> expected{
        QUrl::fromLocalFile(QStringLiteral(
            "/home/테스트 user/Library/Mobile Documents/com~apple~CloudDocs/Corvane")),
        UpdateFeed::legacyUpdatesDirectory()};
    EXPECT_EQ(UpdateFeed::candidateDirectories(), expected);
}

TEST(UpdateFeedTest, EveryCallFollowsTheCurrentHomeFolder) {
    {
        const HomeFolder home("/first");
        EXPECT_EQ(UpdateFeed::applicationSupportDirectory().toLocalFile(),
                  QStringLiteral("/first/Library/Application Support/Corvane"));
    }
    const HomeFolder home("/second/");
    EXPECT_EQ(UpdateFeed::applicationSupportDirectory().toLocalFile(),
              QStringLiteral("/second/Library/Application Support/Corvane"));
}

TEST(UpdateFeedTest, NothingIsCreatedOnDisk) {
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const HomeFolder home(temporary.path().toUtf8());
    UpdateFeed::applicationSupportDirectory();
    UpdateFeed::candidateDirectories();
    EXPECT_TRUE(QDir(temporary.path()).isEmpty());
}

}  // namespace
}  // namespace corvane
