#include "UpdateTest.h"

namespace corvane {
namespace {

harness::Finished release(const std::vector<std::string>& arguments) {
    return harness::run(CORVANE_RELEASE_PATH, arguments);
}

TEST(ReleaseToolTest, MakesKeysPublishesAndVerifies) {
    const harness::TemporaryFolder folder;
    const fs::path key = folder.path() / "key.pem";
    const fs::path pub = folder.path() / "key.pub";
    ASSERT_EQ(release({"keygen", "--private", key, "--public", pub}).exitCode, 0);
    EXPECT_EQ(fs::status(key).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const std::string original = harness::readFile(key);
    EXPECT_EQ(release({"keygen", "--private", key, "--public", folder.path() / "new.pub"}).exitCode,
              1);
    EXPECT_EQ(harness::readFile(key), original);
    EXPECT_FALSE(fs::exists(folder.path() / "new.pub"));

    const fs::path bundle = folder.path() / "Build";
    const fs::path out = folder.path() / "out";
    kit::makeReleaseBundle(bundle, {"2.0", "60"});
    ASSERT_EQ(release({"publish", bundle, "--key", key, "--out", out}).exitCode, 0);
    const auto manifest =
        UpdateManifest::fromJson(QByteArray::fromStdString(harness::readFile(out / "latest.json")));
    const UpdateManifest expected{
        "2.0", 60, "Corvane-2.0-60.zip",
        QString::fromStdString(kit::sha256Of(out / "Corvane-2.0-60.zip"))};
    EXPECT_EQ(std::get<UpdateManifest>(manifest), expected);
    EXPECT_EQ(release({"verify", bundle, "--key", pub}).exitCode, 0);

    // One line naming the first problem.
    const auto foreign = release({"verify", bundle, "--key", kit::strangerKeys().publicKey});
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_EQ(foreign.err, "corvane-release: bad signature: Contents/Seal/signature\n");
    harness::writeFile(bundle / "Contents/MacOS/extra\ntool", "");
    const auto added = release({"verify", bundle, "--key", pub});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_EQ(added.err, "corvane-release: added: Contents/MacOS/extra\\x0Atool\n");

    // A build text Corvane could never match is not published.
    kit::makeReleaseBundle(folder.path() / "Padded", {"2.0", "060"});
    EXPECT_EQ(release({"publish", folder.path() / "Padded", "--key", key, "--out", out}).exitCode,
              1);
}

}  // namespace
}  // namespace corvane
