#include <gtest/gtest.h>
#include <sys/wait.h>

#include <sstream>
#include <thread>

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
        std::vector<std::string> command{CORVANE_OPEN_PATH};
        command.insert(command.end(), arguments.begin(), arguments.end());
        options.environment.push_back({"CORVANE_TEST_REPORT", reportFile().string()});
        return run(command, options);
    }

    // The "key=value" lines the started test application wrote; it is reaped.
    std::map<std::string, std::string> startedReport() {
        for (int wait = 0; wait < 1000 && !fs::exists(reportFile()); ++wait) {
            std::this_thread::sleep_for(10ms);
        }
        std::map<std::string, std::string> report;
        std::istringstream lines(readFile(reportFile()));
        for (std::string key, value; std::getline(lines, key, '=') && std::getline(lines, value);) {
            report[key] = value;
        }
        if (report.count("pid")) {
            ::waitpid(std::stoi(report["pid"]), nullptr, 0);  // adopted once the launcher ended
        } else {
            ADD_FAILURE() << "nothing was started";
        }
        return report;
    }

    TemporaryFolder temporary_;
};

// The replacement tool's form: the started program's process id comes back
// on the descriptor given, which (like any other) the program never sees.
TEST_F(LauncherTest, StartsTheBundleExecutableDetachedAndReportsItsProcess) {
    copyExecutable(TEST_APP_PATH, bundle() / "Contents" / "MacOS" / "Corvane Helper");
    writeFile(bundle() / "Contents" / "Info.plist",
              xmlInfoPlist({{"CFBundleExecutable", "Corvane Helper"}}));
    const fs::path pidFile = temporary_.path() / "pid";

    const Finished result =
        launch({"--pid-fd", "7", "-n", bundle().string()}, {.extraDescriptor = {{7, pidFile}}});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    auto report = startedReport();
    EXPECT_EQ(readFile(pidFile), report["pid"] + "\n");
    const std::string pid = report["pid"];
    const std::map<std::string, std::string> detached{
        {"pid", pid},         {"sid", pid},
        {"pgid", pid},        {"arguments", "0"},
        {"cwd", "/"},         {"exe", bundle() / "Contents" / "MacOS" / "Corvane Helper"},
        {"fd0", "/dev/null"}, {"fd1", "/dev/null"},
        {"fd2", "/dev/null"}};
    EXPECT_EQ(report, detached);
}

TEST_F(LauncherTest, RefusesWithOneLineAndStartsNothing) {
    const auto plistNaming = [](const char* name) {
        return xmlInfoPlist({{"CFBundleExecutable", name}});
    };
    const struct {
        std::vector<std::string> arguments;  // "B" stands for the bundle
        std::string infoPlist;               // empty: an empty Info.plist
        fs::perms executableMode;
        int exitCode;
    } rows[] = {{{"-n", "B", "--args"}, plistNaming("Corvane"), fs::perms(0755), 2},
                {{"-a", "B"}, plistNaming("Corvane"), fs::perms(0755), 2},
                {{"--pid-fd", "9", "-n", "B"}, plistNaming("Corvane"), fs::perms(0755), 2},
                {{"--pid-fd", "1", "-n", "B"}, plistNaming("Corvane"), fs::perms(0755), 2},
                {{"-n", "B"}, "", fs::perms(0755), 1},
                {{"-n", "B"}, plistNaming("../Corvane"), fs::perms(0755), 1},
                {{"-n", "B"}, plistNaming("Corvane"), fs::perms(0400), 1}};
    for (const auto& row : rows) {
        fs::remove_all(bundle());
        copyExecutable(TEST_APP_PATH, bundle() / "Contents" / "MacOS" / "Corvane");
        copyExecutable(TEST_APP_PATH, bundle() / "Contents" / "Corvane");  // outside MacOS
        fs::permissions(bundle() / "Contents" / "MacOS" / "Corvane", row.executableMode);
        writeFile(bundle() / "Contents" / "Info.plist", row.infoPlist);
        std::vector<std::string> arguments = row.arguments;
        std::replace(arguments.begin(), arguments.end(), std::string("B"), bundle().string());

        const Finished result = launch(arguments);

        EXPECT_EQ(result.exitCode, row.exitCode) << testing::PrintToString(arguments);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_FALSE(fs::exists(reportFile()));
    }
}

}  // namespace
}  // namespace corvane::harness
