#include <gtest/gtest.h>

#include "ProcessHarness.h"
#include "TreeSnapshot.h"

namespace corvane::harness {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Placeholders in the cases: the staged bundle, the installed bundle, the
// backup folder, and a process id that no process can have.
const std::string kSource = "@S";
const std::string kDestination = "@D";
const std::string kBackups = "@B";
const std::string kPid = "@P";

struct ArgumentCase {
    const char* name;
    std::vector<std::string> entries;
};

void PrintTo(const ArgumentCase& value, std::ostream* out) {
    *out << value.name;
}

std::vector<std::string> complete(const std::string& pid) {
    return {"--pid",         pid,          "--source",      kSource,
            "--destination", kDestination, "--backup-root", kBackups};
}

std::vector<std::string> completeThen(const std::string& pid,
                                      std::initializer_list<std::string> more) {
    auto entries = complete(pid);
    entries.insert(entries.end(), more);
    return entries;
}

class UpdaterArgumentsTest : public testing::TestWithParam<ArgumentCase> {
  protected:
    void SetUp() override {
        makeBundle(work() / "Staging" / "Corvane.app", "Corvane", TEST_APP_PATH);
        makeBundle(work() / "Applications" / "Corvane.app", "Corvane", TEST_APP_PATH);
    }

    fs::path work() const { return temporary_.path() / "work"; }

    std::string substituted(const std::string& entry) const {
        std::string text = entry;
        const std::pair<std::string, std::string> replacements[] = {
            {kSource, (work() / "Staging" / "Corvane.app").string()},
            {kDestination, (work() / "Applications" / "Corvane.app").string()},
            {kBackups, (work() / "Backups").string()},
            {kPid, std::to_string(pidNoProcessCanHave())}};
        for (const auto& [placeholder, value] : replacements) {
            for (auto at = text.find(placeholder); at != std::string::npos;
                 at = text.find(placeholder)) {
                text.replace(at, placeholder.size(), value);
            }
        }
        return text;
    }

  private:
    TemporaryFolder temporary_;
};

// The tool runs with signals forbidden: a faulty parser that took "0" or
// "-1" would fail to signal instead of reaching a process group or every
// process on the machine, and the test would see its different error line.
TEST_P(UpdaterArgumentsTest, RefusesWithOneLineAndTouchesNothing) {
    std::vector<std::string> entries;
    for (const auto& entry : GetParam().entries) {
        entries.push_back(substituted(entry));
    }
    const Tree before = snapshot(work());

    RunOptions options;
    options.forbidSignals = true;
    options.deadline = 30s;
    const Finished result = run(CORVANE_UPDATER_PATH, entries, options);

    ASSERT_FALSE(result.killedAtDeadline);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Corvane updater failed: invalidArguments\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(snapshot(work()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdaterArgumentsTest,
    testing::Values(ArgumentCase{"none", {}},
                    ArgumentCase{"oddCount",
                                 {"--pid", kPid, "--source", kSource, "--destination", kDestination,
                                  "--backup-root"}},
                    ArgumentCase{"strayPathInOptionPlace",
                                 {kSource, "--pid", kPid, "--source", kSource, "--destination",
                                  kDestination, "--backup-root", kBackups}},
                    ArgumentCase{
                        "missingBackupRoot",
                        {"--pid", kPid, "--source", kSource, "--destination", kDestination}},
                    ArgumentCase{"missingPid",
                                 {"--source", kSource, "--destination", kDestination,
                                  "--backup-root", kBackups}},
                    ArgumentCase{"pidTwiceLaterInvalid", completeThen(kPid, {"--pid", kPid + "a"})},
                    ArgumentCase{"trailingLetter", complete(kPid + "a")},
                    ArgumentCase{"twelveA", complete("12a")}, ArgumentCase{"empty", complete("")},
                    ArgumentCase{"leadingSpace", complete(" " + kPid)},
                    ArgumentCase{"beyond32Bits", complete("2147483648")},
                    ArgumentCase{"beyond32BitsUnsigned", complete("4294967296")},
                    ArgumentCase{"zero", complete("0")}, ArgumentCase{"minusOne", complete("-1")},
                    ArgumentCase{"negative", complete("-" + kPid)},
                    ArgumentCase{"emptyDestination",
                                 {"--pid", kPid, "--source", kSource, "--destination", "",
                                  "--backup-root", kBackups}}),
    [](const auto& info) { return info.param.name; });

// The tool must keep working while the application's files move, so it may
// depend on nothing but the C++ and C libraries.
TEST(UpdaterLinkageTest, ToolAndLauncherLinkNeitherQtNorX11) {
    for (const char* program : {CORVANE_UPDATER_PATH, CORVANE_OPEN_PATH}) {
        const Finished ldd = run("/usr/bin/ldd", {program});
        ASSERT_EQ(ldd.exitCode, 0) << ldd.err;
        EXPECT_NE(ldd.out.find("libc.so"), std::string::npos) << ldd.out;
        for (const char* forbidden : {"libQt", "libX11", "libxcb", "libGL"}) {
            EXPECT_EQ(ldd.out.find(forbidden), std::string::npos) << program << ":\n" << ldd.out;
        }
    }
    const Finished tool = run("/usr/bin/ldd", {CORVANE_UPDATER_PATH});
    EXPECT_EQ(tool.out.find("libplist"), std::string::npos) << tool.out;
}

}  // namespace
}  // namespace corvane::harness
