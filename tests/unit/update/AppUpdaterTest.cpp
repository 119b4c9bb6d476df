#include <gtest/gtest.h>

#include "update/AppUpdater.h"
#include "update/UpdateFeed.h"

namespace corvane {
namespace {

QUrl folder(const char* path) {
    return QUrl::fromLocalFile(QString::fromUtf8(path));
}

AppUpdater::Parameters parameters() {
    AppUpdater::Parameters p;
    p.appBundleURL = folder("/opt/Corvane.app");
    p.currentBuild = 57;
    p.remoteFeedURL = QUrl("https://example.test/updates/display/latest.json");
    p.applicationSupportDirectory = folder("/home/u/Library/Application Support/Corvane");
    return p;
}

// A given list wins over a given single folder; with neither, the feed's
// folders. Whichever it is, equivalent forms count once.
TEST(AppUpdaterTest, ChoosesItsFolders) {
    auto p = parameters();
    EXPECT_EQ(AppUpdater(p).updateDirectories(), UpdateFeed::candidateDirectories());
    p.updatesDirectory = folder("/single");
    EXPECT_EQ(AppUpdater(p).updateDirectories(), QList<QUrl>{folder("/single")});
    p.updateDirectories = QList<QUrl>{folder("/a/b"), folder("/a/./b"), folder("/a/d")};
    EXPECT_EQ(AppUpdater(p).updateDirectories(), (QList<QUrl>{folder("/a/b"), folder("/a/d")}));
}

}  // namespace
}  // namespace corvane
