#include <gtest/gtest.h>
#include <sys/wait.h>

#include "ProcessHarness.h"

namespace corvane::harness {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The replacement tool's form: the started program's process id comes back
// on the descriptor given, which (like any other) the program never sees;
// the program runs detached, in its own session, from "/", with no output.
TEST(LauncherTest, StartsTheBundleExecutableDetachedAndReportsItsProcess) {
    adoptOrphans();
    const TemporaryFolder temporary;
    const fs::path bundle = temporary.path() / "Corvane.app";
    copyExecutable(TEST_APP_PATH, bundle / "Contents" / "MacOS" / "Corvane Helper");
    writeFile(bundle / "Contents" / "Info.plist",
              xmlInfoPlist({{"CFBundleExecutable", "Corvane Helper"}}));
    const fs::path pidFile = temporary.path() / "pid";

    const Finished result = run({"/bin/sh", "-c", "exec 7>\"$0\" && exec \"$@\"", pidFile,
                                 CORVANE_OPEN_PATH, "--pid-fd", "7", "-n", bundle},
                                {{{"CORVANE_TEST_REPORT", temporary.path() / "report"}}});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    auto report = waitForReport(temporary.path() / "report", 10s);
    ASSERT_TRUE(report) << "nothing was started";
    const std::string pid = (*report)["pid"];
    ::waitpid(std::stoi(pid), nullptr, 0);  // adopted once the launcher ended
    EXPECT_EQ(readFile(pidFile), pid + "\n");
    EXPECT_EQ(*report, (std::map<std::string, std::string>{
                           {"pid", pid},
                           {"sid", pid},
                           {"pgid", pid},
                           {"arguments", "0"},
                           {"cwd", "/"},
                           {"exe", bundle / "Contents" / "MacOS" / "Corvane Helper"},
                           {"fd0", "/dev/null"},
                           {"fd1", "/dev/null"},
                           {"fd2", "/dev/null"}}));
}

// Only the bundle's own executable, named inside Contents/MacOS, is ever
// started; anything else is refused with one line.
TEST(LauncherTest, RefusesWithOneLineAndStartsNothing) {
    const TemporaryFolder temporary;
    const fs::path bundle = temporary.path() / "Corvane.app";
    copyExecutable(TEST_APP_PATH, bundle / "Contents" / "MacOS" / "Corvane");
    copyExecutable(TEST_APP_PATH, bundle / "Contents" / "Corvane");  // outside MacOS
    const struct {
        std::vector<std::string> arguments;
        std::string executable;
        int exitCode;
    } rows[] = {{{"-n", bundle, "--args"}, "Corvane", 2},
                {{"-a", bundle}, "Corvane", 2},
                {{"--pid-fd", "1", "-n", bundle}, "Corvane", 2},
                {{"-n", bundle}, "", 1},
                {{"-n", bundle}, "../Corvane", 1}};
    for (const auto& row : rows) {
        writeFile(bundle / "Contents" / "Info.plist",
                  xmlInfoPlist({{"CFBundleExecutable", row.executable}}));
        std::vector<std::string> command{CORVANE_OPEN_PATH};
        command.insert(command.end(), row.arguments.begin(), row.arguments.end());

        const Finished result =
            run(command, {{{"CORVANE_TEST_REPORT", temporary.path() / "report"}}});

        EXPECT_EQ(result.exitCode, row.exitCode) << testing::PrintToString(row.arguments);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(fs::exists(temporary.path() / "report"));
    }
}

}  // namespace
}  // namespace corvane::harness
