#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <functional>

#include "UpdateTest.h"
#include "update/UpdateFailure.h"

namespace corvane {
namespace {

struct World {
    fs::path bundle;  // the release bundle being made
    fs::path out;     // where its archive and latest.json go
    fs::path installed;
    AppUpdater::Parameters& parameters;
};

using Change = std::function<void(const fs::path& bundle)>;

// Made and published as a publisher would, with `change` applied first.
std::function<UpdateManifest(World&)> published(
    Change change = [](const fs::path&) {}, const kit::Keys* keys = &kit::publisherKeys()) {
    return [change, keys](World& s) {
        kit::makeReleaseBundle(s.bundle);
        change(s.bundle);
        return kit::publish(s.bundle, s.out, *keys);
    };
}

// Sealed, then changed, then zipped: the seal no longer matches.
std::function<UpdateManifest(World&)> tampered(Change change) {
    return [change](World& s) {
        kit::makeReleaseBundle(s.bundle);
        const auto sealed = harness::run(
            CORVANE_RELEASE_PATH, {"seal", s.bundle, "--key", kit::publisherKeys().privateKey});
        EXPECT_EQ(sealed.exitCode, 0) << sealed.err;
        change(s.bundle);
        return kit::zipAndDescribe(s.bundle, s.out, {});
    };
}

std::function<UpdateManifest(World&)> hostile(std::vector<kit::ZipEntry> entries) {
    return [entries](World& s) {
        fs::create_directories(s.out);
        kit::writeZip(s.out / "Release.zip", entries);
        return UpdateManifest{"1.4", 58, "Release.zip",
                              QString::fromStdString(kit::sha256Of(s.out / "Release.zip"))};
    };
}

void overwrite(const fs::path& file, std::streamoff offset, const std::string& bytes) {
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekp(offset);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// "scheduled", the engine's error by name, or "platform" for a failure of the system.
std::string outcomeOf(AppUpdater& engine, const UpdateManifest& manifest, const fs::path& archive) {
    try {
        engine.stageAndSchedule(manifest, QString::fromStdString(archive.string()));
        return "scheduled";
    } catch (const UpdateFailure& failure) {
        if (std::holds_alternative<UpdaterError>(failure.cause())) {
            return failure.description().toStdString();
        }
        return "platform";
    }
}

struct StageCase {
    const char* name;
    std::function<UpdateManifest(World&)> arrange;
    std::string outcome;
    std::function<void(const fs::path& buildFolder)> verify = nullptr;
};

void PrintTo(const StageCase& value, std::ostream* out) {
    *out << value.name;
}

class StagingTest : public UpdateTest, public ::testing::WithParamInterface<StageCase> {
  protected:
    fs::path buildFolder() const { return support() / "Staging/build-58"; }
};

TEST_P(StagingTest, ValidatesBeforeHandingOff) {
    AppUpdater::Parameters parameters = this->parameters();
    World setup{path("Release/Corvane-release"), path("Release/out"), installed(), parameters};
    // Whatever an earlier staging of the build left is replaced as a whole.
    harness::writeFile(buildFolder() / "Extracted/left-over", "");
    const UpdateManifest manifest = GetParam().arrange(setup);
    AppUpdater engine(parameters);

    EXPECT_EQ(outcomeOf(engine, manifest, setup.out / manifest.archiveName.toStdString()),
              GetParam().outcome);

    const bool handedOff = GetParam().outcome == "scheduled";
    EXPECT_EQ(engine.scheduledBuild(), handedOff ? std::optional<qint64>(58) : std::nullopt);
    EXPECT_EQ(harness::waitForReport(report(), handedOff ? 10s : 200ms).has_value(), handedOff);
    EXPECT_FALSE(fs::exists(buildFolder() / "Extracted/left-over"));
    if (GetParam().verify) {
        GetParam().verify(buildFolder());
    }
}

// An ELF machine field of another processor: AArch64 on x86-64, else x86-64.
#if defined(__x86_64__)
const std::string kForeignMachine("\xB7\x00", 2);
#else
const std::string kForeignMachine("\x3E\x00", 2);
#endif

INSTANTIATE_TEST_SUITE_P(
    Table, StagingTest,
    ::testing::Values(
        StageCase{"upperCaseDigest",
                  [](World& s) {
                      UpdateManifest m = published()(s);
                      m.sha256 = m.sha256.toUpper();
                      return m;
                  },
                  "scheduled"},
        StageCase{"digestMismatch",
                  [](World& s) {
                      UpdateManifest m = published()(s);
                      m.sha256[0] = m.sha256[0] == u'0' ? u'1' : u'0';
                      return m;
                  },
                  "archiveHashMismatch",
                  [](const fs::path& folder) {
                      EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
                      EXPECT_TRUE(fs::exists(folder / "Corvane-1.4-58.zip"));
                  }},
        StageCase{"nestedInAFolder",
                  [](World& s) {
                      published()(s);
                      return kit::zipAndDescribe(s.bundle, s.out, {}, "Release/Corvane.app");
                  },
                  "invalidCandidate"},
        StageCase{"shortVersionDiffers",
                  [](World& s) {
                      UpdateManifest m = published()(s);
                      m.version = "1.4.0";
                      return m;
                  },
                  "invalidCandidate"},
        StageCase{"otherIdentifier",
                  published([](const fs::path& b) {
                      harness::writeFile(b / "Contents/Info.plist",
                                         harness::xmlInfoPlist({{"CFBundleIdentifier", "other"},
                                                                {"CFBundleShortVersionString", "1.4"},
                                                                {"CFBundleVersion", "58"},
                                                                {"CFBundleExecutable", "Corvane"}}));
                  }),
                  "invalidCandidate"},
        StageCase{"otherArchitecture",
                  published([](const fs::path& b) {
                      overwrite(b / "Contents/MacOS/Corvane", 18, kForeignMachine);
                  }),
                  "invalidCandidate"},
        StageCase{"notElf", published([](const fs::path& b) {
                      harness::writeFile(b / "Contents/MacOS/Corvane", "#!/bin/sh\n");
                  }),
                  "processFailed"},
        StageCase{"unsealed",
                  [](World& s) {
                      kit::makeReleaseBundle(s.bundle);
                      return kit::zipAndDescribe(s.bundle, s.out, {});
                  },
                  "processFailed"},
        StageCase{"fileChangedAfterSeal", tampered([](const fs::path& b) {
                      harness::writeFile(b / "Contents/Resources/update-signing-key.pub", "x");
                  }),
                  "processFailed"},
        StageCase{"fileAddedAfterSeal", tampered([](const fs::path& b) {
                      harness::writeFile(b / "Contents/Resources/extra", "");
                  }),
                  "processFailed"},
        StageCase{"linkRemovedAfterSeal",
                  tampered([](const fs::path& b) { fs::remove(b / "Contents/Resources/Corvane"); }),
                  "processFailed"},
        StageCase{"sealedWithAnotherKey",
                  published([](const fs::path&) {}, &kit::strangerKeys()), "processFailed"},
        StageCase{"installedWithoutKey",
                  [](World& s) {
                      fs::remove(s.installed / AppUpdater::kSigningKeyPath);
                      return published()(s);
                  },
                  "processFailed"},
        StageCase{"installedWithoutTool",
                  [](World& s) {
                      fs::remove(s.installed / AppUpdater::kReplacementToolPath);
                      return published()(s);
                  },
                  "updaterMissing"},
        StageCase{"installedNotABundle",
                  [](World& s) {
                      fs::remove(s.installed / "Contents/Info.plist");
                      return published()(s);
                  },
                  "platform"},
        StageCase{"candidateWithoutTool", published([](const fs::path& b) {
                      fs::remove(b / "Contents/MacOS/CorvaneUpdater");
                  }),
                  "invalidCandidate"},
        StageCase{"candidateWithoutLauncher", published([](const fs::path& b) {
                      fs::remove(b / "Contents/MacOS/corvane-open");
                  }),
                  "invalidCandidate"},
        StageCase{"absoluteEntry", hostile({{"/tmp/corvane-absolute", 0100644, "x"}}),
                  "processFailed"},
        StageCase{"parentEntry", hostile({{"Corvane.app/../escape", 0100644, "x"}}),
                  "processFailed"},
        // (libarchive itself reads a FIFO entry of a zip as a regular file.)
        StageCase{"deviceEntry", hostile({{"Corvane.app/device", 020644, ""}}), "processFailed"},
        StageCase{"linkOutside",
                  hostile({{"Corvane.app/Contents/etc", 0120777, "../../../etc"}}),
                  "processFailed"},
        StageCase{"setuidDropped",
                  hostile({{"Corvane.app/", 040755, ""}, {"Corvane.app/tool", 0106755, "x"}}),
                  "invalidCandidate",
                  [](const fs::path& folder) {
                      EXPECT_EQ(fs::status(folder / "Extracted/Corvane.app/tool").permissions(),
                                static_cast<fs::perms>(0755));
                  }},
        StageCase{"tooManyEntries",
                  [](World& s) {
                      s.parameters.limits.maxUnpackedEntries = 5;
                      return published()(s);
                  },
                  "processFailed"},
        StageCase{"tooLargeUnpacked",
                  [](World& s) {
                      s.parameters.limits.maxUnpackedBytes = 10'000;
                      return published()(s);
                  },
                  "processFailed"}),
    [](const auto& info) { return info.param.name; });

// The tool gets exactly its eight arguments, its output goes nowhere, and
// staging returns while it still runs; its end is noticed.
TEST_F(UpdateTest, HandOffStartsTheToolAndDoesNotWaitForIt) {
    qputenv("CORVANE_TEST_LINGER_MS", "3000");
    AppUpdater::Parameters parameters = this->parameters();
    World setup{path("Release/Corvane-release"), path("Release/out"), installed(), parameters};
    const UpdateManifest manifest = published()(setup);
    AppUpdater engine(parameters);
    std::optional<int> ended;
    QObject::connect(&engine, &AppUpdater::replacementToolEnded,
                     [&](qint64 build, int status) { ended = build == 58 ? status : -1; });

    ASSERT_EQ(outcomeOf(engine, manifest, setup.out / manifest.archiveName.toStdString()),
              "scheduled");

    auto tool = harness::waitForReport(report(), 10s);
    ASSERT_TRUE(tool);
    EXPECT_EQ(::kill(std::stoi((*tool)["pid"]), 0), 0);  // still running
    const std::vector<std::string> expected{
        "--pid",
        std::to_string(::getpid()),
        "--source",
        (support() / "Staging/build-58/Extracted/Corvane.app").string(),
        "--destination",
        installed().string(),
        "--backup-root",
        qEnvironmentVariable("HOME").toStdString() +
            "/Library/Application Support/Corvane/Backups"};
    EXPECT_EQ((*tool)["arguments"], "8");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ((*tool)["arg" + std::to_string(i + 1)], expected[i]);
    }
    EXPECT_EQ((*tool)["fd1"], "/dev/null");
    EXPECT_EQ((*tool)["fd2"], "/dev/null");
    runEventsUntil([&] { return ended.has_value(); }, 10s);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(WIFEXITED(*ended) && WEXITSTATUS(*ended) == 0);
}

}  // namespace
}  // namespace corvane
