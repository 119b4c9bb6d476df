#include <gtest/gtest.h>
#include <signal.h>

#include <QRegularExpression>
#include <functional>

#include "ProcessHarness.h"

namespace corvane::harness {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Where a scenario's paths lie; its preparation may change any of them.
struct Layout {
    fs::path root;
    fs::path installed = root / "Applications" / "Corvane.app";
    fs::path staged = root / "Staging" / "Corvane.app";
    fs::path backups = root / "Backups";
    // Started with SIGCHLD ignored, which a tool must not pass on: the
    // system would reap the launcher before the tool could hear from it.
    std::vector<std::string> tool{"/usr/bin/env", "--ignore-signal=CHLD", CORVANE_UPDATER_PATH};
};

struct Scenario : NamedCase {
    std::function<void(Layout&)> prepare;
    std::string application;   // the test application's mode; empty: it has already gone
    std::string error;         // after "Corvane updater failed: "; "@" is the test's folder
    std::string installed;     // the build at the installed location, if any
    bool backedUp;             // one backup, of build 57
    std::string running;       // the build started by the tool and still running, if any
    std::string failedBuilds;  // the record beside the backups
};

class UpdaterTest : public testing::TestWithParam<Scenario> {
  protected:
    static void SetUpTestSuite() { adoptOrphans(); }
    void TearDown() override { stopStartedApplications(reports_); }

    TemporaryFolder temporary_;
    Layout layout_{temporary_.path()};
    fs::path reports_ = temporary_.path() / "reports";
};

// A scenario ends in its state: exit status and error line, what the
// installed location and the backup folder hold, which build runs, and
// whether the application was stopped. The application is a child of this
// test that is never reaped, so once stopped it is a zombie: a tool that
// took a zombie for a running process would fail to stop it.
TEST_P(UpdaterTest, EndsInItsState) {
    const Scenario& scenario = GetParam();
    makeScriptBundle(layout_.installed, "57");
    makeScriptBundle(layout_.staged, "58");
    fs::create_directories(reports_);
    scenario.prepare(layout_);
    const std::map<std::string, Tree> builds{
        {"57", snapshot(layout_.installed)}, {"58", snapshot(layout_.staged)}, {"", {}}};
    std::optional<Application> application;
    if (!scenario.application.empty()) {
        application.emplace(scenario.application.c_str());
    }
    std::vector<std::string> command = layout_.tool;
    const pid_t pid = application ? application->pid() : pidNoProcessCanHave();
    command.insert(command.end(),
                   {"--pid", std::to_string(pid), "--source", layout_.staged, "--destination",
                    layout_.installed, "--backup-root", layout_.backups});

    const Finished result = run(command, {{{"CORVANE_TEST_REPORTS", reports_}}});

    std::string error = scenario.error;
    if (const auto at = error.find('@'); at != std::string::npos) {
        error.replace(at, 1, layout_.root.string());
    }
    EXPECT_EQ(result.exitCode, error.empty() ? 0 : 1);
    EXPECT_EQ(result.out + result.err,
              error.empty() ? "" : "Corvane updater failed: " + error + "\n");
    const bool swapped = error.empty() || !scenario.failedBuilds.empty();
    if (error.empty() || scenario.application == "stubborn") {
        // Half a second before the signal, then the 5-second health check
        // or 50 tests 0.1 seconds apart; never a wait for a process gone.
        EXPECT_GE(result.elapsed, 5500ms);
        EXPECT_LT(result.elapsed, 8s);
    }
    EXPECT_EQ(snapshot(layout_.installed), builds.at(scenario.installed));
    EXPECT_EQ(snapshot(layout_.staged), builds.at(swapped ? "" : "58"));
    std::vector<fs::path> backups;
    std::error_code none;
    for (const auto& entry : fs::directory_iterator(layout_.backups, none)) {
        if (entry.path().filename() != "failed-builds") {
            backups.push_back(entry.path());
        }
    }
    ASSERT_EQ(backups.size(), scenario.backedUp ? 1u : 0u) << testing::PrintToString(backups);
    if (scenario.backedUp) {
        EXPECT_TRUE(QRegularExpression(R"(^Corvane\.app\.\d{8}-\d{6}-[0-9A-F]{8}$)")
                        .match(QString::fromStdString(backups[0].filename()))
                        .hasMatch());
        EXPECT_EQ(snapshot(backups[0]), builds.at("57"));
    }
    EXPECT_EQ(readFile(layout_.backups / "failed-builds"), scenario.failedBuilds);
    const auto started = startedApplications(reports_, scenario.running.empty() ? 0 : 1, 5s);
    EXPECT_EQ(started.size(), scenario.running.empty() ? 0u : 1u);
    EXPECT_EQ(started.empty() ? "" : started.begin()->second, scenario.running);
    if (application) {
        EXPECT_EQ(application->endedBySignal(), swapped ? SIGTERM : 0);
        // Exactly one SIGTERM, never a stronger signal.
        EXPECT_EQ(application->output(),
                  scenario.application == "stubborn" ? "ready\nT" : "ready\n");
    }
}

void newVersionEndsAtOnce(Layout& layout) {
    writeFile(layout.staged / "Contents" / "MacOS" / "Corvane", "#!/bin/sh\nexit 3\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdaterTest,
    testing::Values(
        Scenario{"installs", [](Layout&) {}, "obey", "", "58", true, "58", ""},
        Scenario{"createsAMissingParentFolderWhereNothingWas",
                 [](Layout& l) { l.installed = l.root / "New" / "Folder" / "Corvane.app"; }, "", "",
                 "58", false, "58", ""},
        Scenario{"leavesAnApplicationThatWillNotQuit", [](Layout&) {}, "stubborn",
                 "couldNotStopPreviousProcess", "57", false, "", ""},
        Scenario{"checksTheStagedBundleBeforeStopping",
                 [](Layout& l) { fs::remove(l.staged / "Contents" / "MacOS" / "Corvane"); }, "obey",
                 "sourceMissing", "57", false, "", ""},
        Scenario{"checksTheFoldersBeforeStopping",
                 [](Layout& l) {
                     writeFile(l.root / "file", ""), l.installed = l.root / "file" / "Corvane.app";
                 },
                 "obey", "cannot write in @/file: Not a directory", "", false, "", ""},
        Scenario{"checksTheLauncherBeforeStopping",
                 [](Layout& l) {
                     l.tool.back() = l.root / "lonely" / "CorvaneUpdater";
                     copyExecutable(CORVANE_UPDATER_PATH, l.tool.back());
                 },
                 "obey", "cannot start @/lonely/corvane-open: No such file or directory", "57",
                 false, "", ""},
        Scenario{"rollsBackAVersionThatEndsAtOnce", newVersionEndsAtOnce, "obey",
                 "couldNotLaunchReplacement", "57", false, "57", "58\n"},
        Scenario{"rollsBackAVersionThatCannotStart",
                 [](Layout& l) {
                     writeFile(l.staged / "Contents" / "MacOS" / "Corvane", "not a program");
                 },
                 "obey", "couldNotLaunchReplacement", "57", false, "57", "58\n"},
        Scenario{"removesAFailedVersionWhereNothingWas",
                 [](Layout& l) { fs::remove_all(l.installed), newVersionEndsAtOnce(l); }, "",
                 "couldNotLaunchReplacement", "", false, "", "58\n"}),
    CaseName());

// The tool must keep working while the application's files move, so it may
// depend on no Qt, X11 or graphics library.
TEST(UpdaterLinkageTest, ToolAndLauncherLinkNeitherQtNorX11) {
    for (const char* program : {CORVANE_UPDATER_PATH, CORVANE_OPEN_PATH}) {
        const Finished ldd = run({"/usr/bin/ldd", program});
        ASSERT_EQ(ldd.exitCode, 0) << ldd.err;
        for (const char* forbidden : {"libQt", "libX11", "libxcb", "libGL"}) {
            EXPECT_EQ(ldd.out.find(forbidden), std::string::npos) << program << ":\n" << ldd.out;
        }
    }
}

}  // namespace
}  // namespace corvane::harness
