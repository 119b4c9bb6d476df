#include "UpdateFixture.h"

namespace corvane::kit {
namespace {

TEST(ReleaseToolTest, MakesKeysPublishesAndVerifies) {
    const harness::TemporaryFolder folder;
    const fs::path key = folder.path() / "key.pem", pub = folder.path() / "key.pub";
    ASSERT_EQ(release({"keygen", "--private", key, "--public", pub}).exitCode, 0);
    EXPECT_EQ(fs::status(key).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const std::string original = harness::readFile(key);
    EXPECT_EQ(release({"keygen", "--private", key, "--public", folder.path() / "new.pub"}).exitCode,
              1);
    EXPECT_EQ(harness::readFile(key), original);
    EXPECT_FALSE(fs::exists(folder.path() / "new.pub"));

    const fs::path bundle = folder.path() / "Build", out = folder.path() / "out";
    makeReleaseBundle(bundle, {"2.0", "60"});
    const UpdateManifest manifest = publish(bundle, out, {key, pub});
    EXPECT_EQ(manifest,
              (UpdateManifest{"2.0", 60, "Corvane-2.0-60.zip",
                              QString::fromStdString(sha256Of(out / "Corvane-2.0-60.zip"))}));
    EXPECT_EQ(release({"verify", bundle, "--key", pub}).exitCode, 0);

    // One line naming the first problem.
    harness::writeFile(bundle / "Contents/MacOS/extra\ntool", "");
    const auto added = release({"verify", bundle, "--key", pub});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_EQ(added.err, "corvane-release: added: Contents/MacOS/extra\\x0Atool\n");
}

}  // namespace
}  // namespace corvane::kit
