#include <signal.h>
#include <sys/wait.h>

#include <fstream>

#include "UpdateFixture.h"
#include "update/UpdateFailure.h"

// Outside an unnamed namespace, so that the cases print by name.
namespace corvane::kit {

using Change = std::function<void(const fs::path& bundle)>;

// What a case makes, for changes after the release is published.
struct Made {
    UpdateManifest manifest;
    AppUpdater::Parameters& parameters;
    fs::path bundle;
};

struct StageCase {
    const char* name;
    std::string expect;  // "scheduled", the engine's error by name, or "platform"
    BundleInfo info = {};
    const char* publisher = "publisher";  // whose key seals it
    Change before = nullptr;              // the bundle as its publisher made it
    Change after = nullptr;               // the published bundle, zipped again after this
    std::function<void(Made&)> then = nullptr;
    std::vector<ZipEntry> zip = {};  // a hand-made archive instead of a published one
    std::function<void(const fs::path& buildFolder)> verify = nullptr;
};

Change removing(const char* item) {
    return [item](const fs::path& bundle) { fs::remove(bundle / item); };
}

Change writing(const char* item, const char* content) {
    return [=](const fs::path& bundle) { harness::writeFile(bundle / item, content); };
}

// A RISC-V machine in the ELF header: a processor this host is not.
void foreignMachine(const fs::path& bundle) {
    std::fstream program(bundle / "Contents/MacOS/Corvane", std::ios::in | std::ios::out);
    program.seekp(18);
    program.write("\xF3\x00", 2);
}

std::function<void(Made&)> uninstalled(const char* item) {
    return [item](Made& m) {
        fs::remove(m.parameters.appBundleURL.toLocalFile().toStdString() + "/" + item);
    };
}

UpdateManifest make(const StageCase& row, AppUpdater::Parameters& parameters,
                    const fs::path& bundle, const fs::path& out) {
    Made made{{}, parameters, bundle};
    if (!row.zip.empty()) {
        fs::create_directories(out);
        writeZip(out / "Release.zip", row.zip);
        made.manifest = {"1.4", 58, "Release.zip",
                         QString::fromStdString(sha256Of(out / "Release.zip"))};
    } else {
        makeReleaseBundle(bundle, row.info);
        if (row.before) {
            row.before(bundle);
        }
        made.manifest = publish(bundle, out, keys(row.publisher));
        if (row.after) {
            row.after(bundle);
            made.manifest = zipAndDescribe(bundle, out);
        }
    }
    if (row.then) {
        row.then(made);
    }
    return made.manifest;
}

class StagingTest : public UpdateTest, public ::testing::WithParamInterface<StageCase> {};

TEST_P(StagingTest, ValidatesBeforeHandingOff) {
    qputenv("CORVANE_TEST_LINGER_MS", "2000");
    const fs::path buildFolder = support() / "Staging/build-58";
    // What an earlier staging of the build left is replaced as a whole.
    harness::writeFile(buildFolder / "Extracted/left-over", "");
    AppUpdater::Parameters parameters = this->parameters();
    const fs::path out = path("Release");
    const UpdateManifest manifest = make(GetParam(), parameters, path("Corvane-release"), out);
    AppUpdater engine(parameters);
    std::optional<int> ended;
    QObject::connect(&engine, &AppUpdater::replacementToolEnded,
                     [&](qint64 build, int status) { ended = build == 58 ? status : -1; });

    std::string outcome = "scheduled";
    try {
        engine.stageAndSchedule(manifest, (out / manifest.archiveName.toStdString()).c_str());
    } catch (const UpdateFailure& failure) {
        outcome = std::holds_alternative<UpdaterError>(failure.cause())
                      ? failure.description().toStdString()
                      : "platform";
    }

    EXPECT_EQ(outcome, GetParam().expect);
    EXPECT_FALSE(fs::exists(buildFolder / "Extracted/left-over"));
    if (GetParam().verify) {
        GetParam().verify(buildFolder);
    }
    const bool handedOff = outcome == "scheduled";
    EXPECT_EQ(engine.scheduledBuild(), handedOff ? std::optional<qint64>(58) : std::nullopt);
    auto tool = harness::waitForReport(report(), handedOff ? 10s : 200ms);
    ASSERT_EQ(tool.has_value(), handedOff);
    if (!tool) {
        return;
    }
    // Exactly eight arguments, output to nowhere, and staging returned while
    // the tool still ran; its end is noticed.
    EXPECT_EQ(::kill(std::stoi((*tool)["pid"]), 0), 0);
    std::string arguments;
    for (int i = 1; i <= 8; ++i) {
        arguments += (*tool)["arg" + std::to_string(i)] + "|";
    }
    EXPECT_EQ(arguments, "--pid|" + std::to_string(::getpid()) + "|--source|" +
                             (buildFolder / "Extracted/Corvane.app").string() + "|--destination|" +
                             installed().string() + "|--backup-root|" +
                             qgetenv("HOME").toStdString() +
                             "/Library/Application Support/Corvane/Backups|");
    EXPECT_EQ((*tool)["arguments"] + (*tool)["fd1"] + (*tool)["fd2"], "8/dev/null/dev/null");
    EXPECT_EQ(std::count_if(tool->begin(), tool->end(),
                            [](auto& e) { return e.first.rfind("fd", 0) == 0; }),
              3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.has_value(); }, 10000));
    EXPECT_TRUE(WIFEXITED(*ended) && WEXITSTATUS(*ended) == 0);
}

const std::string kInvalid = "invalidCandidate";
const std::string kFailed = "processFailed";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, StagingTest, ::testing::ValuesIn(std::vector<StageCase>{
    {.name = "upperCaseDigest", .expect = "scheduled",
     .then = [](Made& m) { m.manifest.sha256 = m.manifest.sha256.toUpper(); }},
    {.name = "digestMismatch", .expect = "archiveHashMismatch",
     .then = [](Made& m) { m.manifest.sha256[0] = m.manifest.sha256[0] == u'0' ? u'1' : u'0'; },
     .verify = [](const fs::path& folder) {  // nothing but the archive's copy
         EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
         EXPECT_TRUE(fs::exists(folder / "Corvane-1.4-58.zip"));
     }},
    {.name = "nestedInAFolder", .expect = kInvalid, .then = [](Made& m) {
         m.manifest = zipAndDescribe(m.bundle, m.bundle.parent_path() / "Release", "A/Corvane.app");
     }},
    {.name = "shortVersionDiffers", .expect = kInvalid,
     .then = [](Made& m) { m.manifest.version = "1.4.0"; }},
    {.name = "otherIdentifier", .expect = kInvalid, .info = {"1.4", "58", "other"}},
    {.name = "otherArchitecture", .expect = kInvalid, .before = foreignMachine},
    {.name = "notElf", .expect = kFailed,
     .before = writing("Contents/MacOS/Corvane", "#!/bin/sh\n")},
    {.name = "unsealed", .expect = kFailed, .after = removing("Contents/Seal/list")},
    {.name = "fileChanged", .expect = kFailed, .after = writing(AppUpdater::kSigningKeyPath, "x")},
    {.name = "fileAdded", .expect = kFailed, .after = writing("Contents/extra", "")},
    {.name = "linkRemoved", .expect = kFailed, .after = removing("Contents/Resources/Corvane")},
    {.name = "otherPublisher", .expect = kFailed, .publisher = "stranger"},
    {.name = "uninstalledKey", .expect = kFailed, .then = uninstalled(AppUpdater::kSigningKeyPath)},
    {.name = "uninstalledTool", .expect = "updaterMissing",
     .then = uninstalled(AppUpdater::kReplacementToolPath)},
    {.name = "installedNotABundle", .expect = "platform",
     .then = uninstalled("Contents/Info.plist")},
    {.name = "candidateWithoutTool", .expect = kInvalid,
     .before = removing("Contents/MacOS/CorvaneUpdater")},
    {.name = "candidateWithoutLauncher", .expect = kInvalid,
     .before = removing("Contents/MacOS/corvane-open")},
    {.name = "absoluteEntry", .expect = kFailed, .zip = {{"/tmp/corvane-absolute", 0100644, "x"}}},
    {.name = "parentEntry", .expect = kFailed, .zip = {{"Corvane.app/../escape", 0100644, "x"}}},
    // (libarchive itself reads a FIFO entry of a zip as a regular file.)
    {.name = "deviceEntry", .expect = kFailed, .zip = {{"Corvane.app/device", 020644, ""}}},
    {.name = "linkOutside", .expect = kFailed,
     .zip = {{"Corvane.app/Contents/etc", 0120777, "../../../etc"}}},
    {.name = "setuidDropped", .expect = kInvalid, .zip = {{"Corvane.app/tool", 0106755, "x"}},
     .verify = [](const fs::path& f) {
         EXPECT_EQ(fs::status(f / "Extracted/Corvane.app/tool").permissions(), fs::perms(0755));
     }},
    {.name = "tooManyEntries", .expect = kFailed,
     .then = [](Made& m) { m.parameters.limits.maxUnpackedEntries = 5; }},
    {.name = "tooLargeUnpacked", .expect = kFailed,
     .then = [](Made& m) { m.parameters.limits.maxUnpackedBytes = 10'000; }}}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace corvane::kit
