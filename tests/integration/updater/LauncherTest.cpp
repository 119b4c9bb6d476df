#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>
#include <functional>

#include "ProcessHarness.h"

namespace corvane::harness {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LauncherTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { adoptOrphans(); }

    fs::path bundle() const { return temporary_.path() / "Corvane.app"; }
    fs::path reportFile() const { return temporary_.path() / "report"; }

    Finished launch(const std::vector<std::string>& arguments, RunOptions options = {}) {
        options.environment.push_back({"CORVANE_TEST_REPORT", reportFile().string()});
        options.deadline = 30s;
        return run(CORVANE_OPEN_PATH, arguments, options);
    }

    // Waits for the started program's report, reaps it, and returns it.
    std::map<std::string, std::string> startedReport() {
        const auto report = waitForReport(reportFile(), 10s);
        if (!report) {
            ADD_FAILURE() << "nothing was started";
            return {};
        }
        EXPECT_TRUE(reapAdopted(std::stoi(report->at("pid")), 10s));
        return *report;
    }

    TemporaryFolder temporary_;
};

TEST_F(LauncherTest, StartsTheBundleExecutableDetachedWithNothingInherited) {
    makeBundle(bundle(), "Corvane Helper", TEST_APP_PATH);
    const fs::path inheritable = temporary_.path() / "inheritable";
    writeFile(inheritable, "an open file the launcher must not pass on");
    RunOptions options;
    options.extraDescriptor = {{7, inheritable}};

    const Finished result = launch({"-n", bundle().string()}, options);

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    auto report = startedReport();
    EXPECT_EQ(report["exe"], (bundle() / "Contents" / "MacOS" / "Corvane Helper").string());
    EXPECT_EQ(report["sid"], report["pid"]);
    EXPECT_EQ(report["pgid"], report["pid"]);
    EXPECT_EQ(report["cwd"], "/");
    EXPECT_EQ(report["arguments"], "0");
    EXPECT_EQ(report["fd0"], "/dev/null");
    EXPECT_EQ(report["fd1"], "/dev/null");
    EXPECT_EQ(report["fd2"], "/dev/null");
    EXPECT_EQ(report.count("fd7"), 0u) << report["fd7"];
    EXPECT_EQ(report.size(), 9u);  // pid, sid, pgid, arguments, cwd, exe and three descriptors
}

TEST_F(LauncherTest, ReadsABinaryInfoPlist) {
    makeBundle(bundle(), "Corvane", TEST_APP_PATH);
    plist_t dictionary = plist_new_dict();
    plist_dict_set_item(dictionary, "CFBundleExecutable", plist_new_string("Corvane"));
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(dictionary, &binary, &length);
    plist_free(dictionary);
    ASSERT_NE(binary, nullptr);
    writeFile(bundle() / "Contents" / "Info.plist", std::string(binary, length));
    std::free(binary);

    const Finished result = launch({"-n", bundle().string()});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(startedReport()["exe"], (bundle() / "Contents" / "MacOS" / "Corvane").string());
}

struct Refusal {
    const char* name;
    std::function<void(const fs::path& bundle)> prepare;
    std::function<std::vector<std::string>(const fs::path& bundle)> arguments;
    int exitCode;
};

void PrintTo(const Refusal& value, std::ostream* out) {
    *out << value.name;
}

void normalBundle(const fs::path& bundle) {
    makeBundle(bundle, "Corvane", TEST_APP_PATH);
}

std::vector<std::string> normalArguments(const fs::path& bundle) {
    return {"-n", bundle.string()};
}

void withInfoPlist(const fs::path& bundle, const std::string& content) {
    normalBundle(bundle);
    writeFile(bundle / "Contents" / "Info.plist", content);
}

class LauncherRefusalTest : public LauncherTest, public testing::WithParamInterface<Refusal> {};

TEST_P(LauncherRefusalTest, ExitsNonZeroAndStartsNothing) {
    GetParam().prepare(bundle());

    const Finished result = launch(GetParam().arguments(bundle()));

    EXPECT_EQ(result.exitCode, GetParam().exitCode);
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(result.err.empty());
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_FALSE(fs::exists(reportFile()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LauncherRefusalTest,
    testing::Values(Refusal{"noArguments", normalBundle,
                            [](const fs::path&) { return std::vector<std::string>{}; }, 2},
                    Refusal{"withoutNewInstanceFlag", normalBundle,
                            [](const fs::path& b) { return std::vector<std::string>{b.string()}; },
                            2},
                    Refusal{"otherFlag", normalBundle,
                            [](const fs::path& b) {
                                return std::vector<std::string>{"-a", b.string()};
                            },
                            2},
                    Refusal{"extraArgument", normalBundle,
                            [](const fs::path& b) {
                                return std::vector<std::string>{"-n", b.string(), "--args"};
                            },
                            2},
                    Refusal{"emptyBundlePath", normalBundle,
                            [](const fs::path&) {
                                return std::vector<std::string>{"-n", ""};
                            },
                            2},
                    Refusal{"noInfoPlist",
                            [](const fs::path& b) {
                                normalBundle(b);
                                fs::remove(b / "Contents" / "Info.plist");
                            },
                            normalArguments, 1},
                    Refusal{"notAPropertyList",
                            [](const fs::path& b) { withInfoPlist(b, "definitely not a plist"); },
                            normalArguments, 1},
                    Refusal{"noExecutableKey",
                            [](const fs::path& b) {
                                withInfoPlist(b, xmlInfoPlist({{"CFBundleVersion", "57"}}));
                            },
                            normalArguments, 1},
                    Refusal{"executableNotAString",
                            [](const fs::path& b) {
                                withInfoPlist(
                                    b,
                                    "<plist version=\"1.0\"><dict><key>CFBundleExecutable</key>"
                                    "<integer>5</integer></dict></plist>");
                            },
                            normalArguments, 1},
                    Refusal{"executableOutsideMacOS",
                            [](const fs::path& b) {
                                normalBundle(b);
                                copyExecutable(TEST_APP_PATH, b / "Contents" / "escape");
                                writeFile(b / "Contents" / "Info.plist",
                                          xmlInfoPlist({{"CFBundleExecutable", "../escape"}}));
                            },
                            normalArguments, 1},
                    Refusal{"executableNameEmpty",
                            [](const fs::path& b) {
                                withInfoPlist(b, xmlInfoPlist({{"CFBundleExecutable", ""}}));
                            },
                            normalArguments, 1},
                    Refusal{"executableMissing",
                            [](const fs::path& b) {
                                normalBundle(b);
                                fs::remove(b / "Contents" / "MacOS" / "Corvane");
                            },
                            normalArguments, 1},
                    Refusal{"executableNotExecutable",
                            [](const fs::path& b) {
                                normalBundle(b);
                                fs::permissions(b / "Contents" / "MacOS" / "Corvane",
                                                fs::perms::owner_read | fs::perms::owner_write);
                            },
                            normalArguments, 1},
                    Refusal{"bundleMissing", [](const fs::path&) {}, normalArguments, 1}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane::harness
