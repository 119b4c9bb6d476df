#include <gtest/gtest.h>

#include "update/AppUpdater.h"

namespace corvane {
namespace {

// Digests of the wrong length or alphabet, control characters in names and
// whole-manifest checks through the real engine are the hostile-release
// suite's; here, the rules it does not reach one by one.
TEST(ManifestRulesTest, RefusesNamesThatLeaveTheFolderOrAreNoZip) {
    for (const char* name : {"", ".", "..", "a/b.zip", "..\\b.zip", "release.zip.txt"}) {
        EXPECT_FALSE(AppUpdater::isSafeArchiveName(QString::fromUtf8(name))) << name;
    }
    for (const char* name : {"Release.ZIP", "..zip"}) {
        EXPECT_TRUE(AppUpdater::isSafeArchiveName(QString::fromUtf8(name))) << name;
    }
}

TEST(ManifestRulesTest, NeedsAVersionABuildFromOneASafeNameAndAHexDigest) {
    const UpdateManifest valid{"1.4", 1, "Corvane-1.4.zip", QString(64, u'a')};
    EXPECT_TRUE(AppUpdater::isValidManifest(valid));
    int row = 0;
    for (const auto change : std::initializer_list<void (*)(UpdateManifest&)>{
             [](UpdateManifest& m) { m.build = 0; }, [](UpdateManifest& m) { m.build = -1; },
             [](UpdateManifest& m) { m.version.clear(); },
             [](UpdateManifest& m) { m.archiveName = "../a.zip"; },
             [](UpdateManifest& m) { m.sha256 += 'a'; },
             [](UpdateManifest& m) { m.sha256[10] = 'g'; }}) {
        UpdateManifest manifest = valid;
        change(manifest);
        EXPECT_FALSE(AppUpdater::isValidManifest(manifest)) << "change " << row++;
    }
}

}  // namespace
}  // namespace corvane
