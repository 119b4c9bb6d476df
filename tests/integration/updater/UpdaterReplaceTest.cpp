#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "ProcessHarness.h"
#include "TreeSnapshot.h"

namespace corvane::harness {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Inside the work folder, which the tests take snapshots of.
const std::string kInstalled = "Applications/Corvane.app";
const std::string kStaged = "Support/Staging/build-58/Extracted/Corvane.app";
const std::string kBackups = "Support/Backups";

bool sameFileSystem(const fs::path& a, const fs::path& b) {
    struct stat first;
    struct stat second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

// "Corvane.app.", eight digits, "-", six digits, "-", eight upper-case
// hexadecimal digits.
bool isBackupName(const std::string& name) {
    const std::string prefix = "Corvane.app.";
    const std::string shape = "99999999-999999-HHHHHHHH";
    if (name.size() != prefix.size() + shape.size() || name.rfind(prefix, 0) != 0) {
        return false;
    }
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = name[prefix.size() + i];
        const bool digit = c >= '0' && c <= '9';
        const bool fits = shape[i] == '9'   ? digit
                          : shape[i] == 'H' ? digit || (c >= 'A' && c <= 'F')
                                            : c == shape[i];
        if (!fits) {
            return false;
        }
    }
    return true;
}

// An installed bundle and a staged newer one, with the test application as
// their executable, a few resources and a symbolic link each.
class UpdaterReplaceTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { adoptOrphans(); }

    void SetUp() override {
        fillBundle(installed(), "old");
        fillBundle(staged(), "new");
        writeFile(staged() / "Contents" / "Resources" / "added.txt", "only in the new release");
    }

    static void fillBundle(const fs::path& bundle, const std::string& version) {
        makeBundle(bundle, "Corvane", TEST_APP_PATH);
        writeFile(bundle / "Contents" / "Resources" / "version.txt", version);
        fs::create_symlink("version.txt", bundle / "Contents" / "Resources" / "current");
        fs::permissions(bundle / "Contents" / "Resources" / "version.txt", fs::perms::owner_read);
    }

    fs::path work() const { return temporary_.path() / "work"; }
    fs::path installed() const { return work() / kInstalled; }
    fs::path staged() const { return work() / kStaged; }
    fs::path backups() const { return work() / kBackups; }
    fs::path reportFile() const { return temporary_.path() / "launched-report"; }

    std::vector<std::string> arguments(const std::string& pid) const {
        return {"--pid",         pid,
                "--source",      source_.string(),
                "--destination", destination_.string(),
                "--backup-root", backups().string()};
    }

    Finished runTool(const std::vector<std::string>& entries,
                     const fs::path& tool = CORVANE_UPDATER_PATH) {
        RunOptions options;
        options.environment = {{"CORVANE_TEST_REPORT", reportFile().string()}};
        options.deadline = 60s;
        toolStartedAt_ = Clock::now();
        return run(tool, entries, options);
    }

    // The single backup folder's name, checked against its pattern.
    std::string onlyBackupName() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(backups())) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names.size(), 1u);
        if (names.empty()) {
            return {};
        }
        EXPECT_TRUE(isBackupName(names[0])) << names[0];
        return names[0];
    }

    // The new application runs from `bundle`: detached in a session of its
    // own, in "/", with nothing but /dev/null for descriptors.
    void expectLaunchedFrom(const fs::path& bundle) {
        const auto report = waitForReport(reportFile(), 10s);
        ASSERT_TRUE(report) << "the new application did not start";
        auto value = [&](const char* key) {
            const auto it = report->find(key);
            return it == report->end() ? std::string("missing") : it->second;
        };
        EXPECT_EQ(value("exe"), (bundle / "Contents" / "MacOS" / "Corvane").string());
        EXPECT_EQ(value("sid"), value("pid"));
        EXPECT_EQ(value("pgid"), value("pid"));
        EXPECT_EQ(value("cwd"), "/");
        EXPECT_EQ(value("arguments"), "0");
        std::map<std::string, std::string> descriptors;
        for (const auto& [key, target] : *report) {
            if (key.rfind("fd", 0) == 0) {
                descriptors[key] = target;
            }
        }
        const std::map<std::string, std::string> nullOnly{
            {"fd0", "/dev/null"}, {"fd1", "/dev/null"}, {"fd2", "/dev/null"}};
        EXPECT_EQ(descriptors, nullOnly);
        EXPECT_TRUE(reapAdopted(std::stoi(value("pid")), 10s));
    }

    void expectNothingLaunched() { EXPECT_FALSE(fs::exists(reportFile())); }

    static void expectStoppedByTermination(StartedProcess& application) {
        const auto status = application.waitForEnd(5s);
        ASSERT_TRUE(status) << "the application was not stopped";
        EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM) << *status;
    }

    // The tree after a swap that succeeded: the staged bundle installed, the
    // old one in the backup folder.
    Tree swapped(const Tree& before, const std::string& backupName,
                 const std::string& backupsEntry) const {
        Tree expected = without(without(before, kStaged), kInstalled);
        expected.merge(moved(before, kStaged, kInstalled));
        expected.merge(moved(before, kInstalled, kBackups + "/" + backupName));
        expected[kBackups] = backupsEntry;
        return expected;
    }

    TemporaryFolder temporary_;
    fs::path source_ = staged();
    fs::path destination_ = installed();
    Clock::time_point toolStartedAt_;
};

TEST_F(UpdaterReplaceTest, SwapsTheBundlesAndStartsTheNewApplication) {
    StartedProcess application(TEST_APP_PATH, {"obey"});
    ASSERT_TRUE(application.waitForOutput("ready\n", 10s));
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(application.pid())));

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");
    expectStoppedByTermination(application);
    const auto ended = application.endedAt();
    ASSERT_TRUE(ended);
    EXPECT_GE(*ended - toolStartedAt_, 500ms) << "the tool did not wait before signalling";

    const std::string backupName = onlyBackupName();
    const Tree after = snapshot(work());
    EXPECT_EQ(after, swapped(before, backupName, after.at(kBackups)));
    EXPECT_EQ(after.at(kBackups).rfind("folder", 0), 0u);
    expectLaunchedFrom(installed());
}

class UpdaterPidFormTest : public UpdaterReplaceTest,
                           public testing::WithParamInterface<const char*> {};

// An application that has already exited cannot be signalled (ESRCH) and is
// found gone by the first test, so the swap goes ahead at once. The process
// id used is above the system's maximum, so no process can have it.
TEST_P(UpdaterPidFormTest, AnApplicationAlreadyGoneIsNotWaitedFor) {
    const std::string pid = std::to_string(pidNoProcessCanHave());
    std::vector<std::string> entries;
    if (std::string(GetParam()) == "plusSign") {
        entries = arguments("+" + pid);
    } else if (std::string(GetParam()) == "givenTwice") {
        entries = arguments("12a");
        entries.insert(entries.end(), {"--pid", pid});
    } else {
        entries = arguments(pid);
    }
    const Tree before = snapshot(work());

    const Finished result = runTool(entries);

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_LT(result.elapsed, 3s) << "the tool waited for a process that was gone";
    const Tree after = snapshot(work());
    EXPECT_EQ(after, swapped(before, onlyBackupName(), after.at(kBackups)));
    expectLaunchedFrom(installed());
}

INSTANTIATE_TEST_SUITE_P(Forms, UpdaterPidFormTest,
                         testing::Values("plain", "plusSign", "givenTwice"));

TEST_F(UpdaterReplaceTest, AnApplicationIgnoringTerminationIsLeftRunningAndNothingChanges) {
    StartedProcess application(TEST_APP_PATH, {"stubborn"});
    ASSERT_TRUE(application.waitForOutput("ready\n", 10s));
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(application.pid())));

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Corvane updater failed: couldNotStopPreviousProcess\n");
    EXPECT_EQ(result.out, "");
    // Half a second, then 50 tests 0.1 s apart.
    EXPECT_GE(result.elapsed, 5500ms);
    EXPECT_EQ(application.output(), "ready\nT") << "expected exactly one SIGTERM";
    EXPECT_FALSE(application.waitForEnd(0ms)) << "a stronger signal ended the application";
    EXPECT_EQ(snapshot(work()), before);
    expectNothingLaunched();
}

TEST_F(UpdaterReplaceTest, AMissingParentFolderIsCreated) {
    const std::string newPlace = "Programs/Corvane/Corvane.app";
    destination_ = work() / newPlace;
    StartedProcess application(TEST_APP_PATH, {"obey"});
    ASSERT_TRUE(application.waitForOutput("ready\n", 10s));
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(application.pid())));

    EXPECT_EQ(result.exitCode, 0) << result.err;
    expectStoppedByTermination(application);
    const Tree after = snapshot(work());
    Tree expected = without(before, kStaged);
    expected.merge(moved(before, kStaged, newPlace));
    for (const std::string created : {"Programs", "Programs/Corvane", kBackups.c_str()}) {
        ASSERT_TRUE(after.count(created)) << created;
        EXPECT_EQ(after.at(created).rfind("folder", 0), 0u);
        expected[created] = after.at(created);
    }
    EXPECT_EQ(after, expected);
    expectLaunchedFrom(destination_);
}

TEST_F(UpdaterReplaceTest, WithoutAnInstalledBundleNothingIsBackedUp) {
    fs::remove_all(installed());
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(pidNoProcessCanHave())));

    EXPECT_EQ(result.exitCode, 0) << result.err;
    const Tree after = snapshot(work());
    Tree expected = without(before, kStaged);
    expected.merge(moved(before, kStaged, kInstalled));
    expected[kBackups] = after.at(kBackups);
    EXPECT_EQ(after, expected);
    expectLaunchedFrom(installed());
}

TEST_F(UpdaterReplaceTest, AMissingStagedBundleStopsTheApplicationAndChangesNothing) {
    fs::remove_all(staged());
    StartedProcess application(TEST_APP_PATH, {"obey"});
    ASSERT_TRUE(application.waitForOutput("ready\n", 10s));
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(application.pid())));

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Corvane updater failed: sourceMissing\n");
    expectStoppedByTermination(application);
    EXPECT_EQ(snapshot(work()), before);
    expectNothingLaunched();
}

// rename(2) refuses a path whose last component is ".", although it names
// an existing folder: the staged bundle exists but cannot be moved, after the
// installed bundle has already gone into the backup.
TEST_F(UpdaterReplaceTest, WhenTheStagedBundleCannotBeMovedTheInstalledOneIsRestored) {
    source_ = staged() / ".";
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(pidNoProcessCanHave())));

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Corvane updater failed: cannot move " + source_.string() + " to " +
                              installed().string() + ": Device or resource busy\n");
    EXPECT_EQ(result.out, "");
    const Tree after = snapshot(work());
    Tree expected = before;
    expected[kBackups] = after.count(kBackups) ? after.at(kBackups) : "missing";
    EXPECT_EQ(after, expected);
    EXPECT_TRUE(fs::is_empty(backups()));
    expectNothingLaunched();
}

TEST_F(UpdaterReplaceTest, WhenTheNewApplicationCannotStartTheInstalledOneIsRestored) {
    fs::remove(staged() / "Contents" / "MacOS" / "Corvane");
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(pidNoProcessCanHave())));

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Corvane updater failed: couldNotLaunchReplacement\n");
    const Tree after = snapshot(work());
    // The new bundle was moved into place, then removed again.
    Tree expected = without(before, kStaged);
    expected[kBackups] = after.count(kBackups) ? after.at(kBackups) : "missing";
    EXPECT_EQ(after, expected);
    EXPECT_TRUE(fs::is_empty(backups()));
    expectNothingLaunched();
}

TEST_F(UpdaterReplaceTest, WithoutAnInstalledBundleAFailedStartLeavesNothingInPlace) {
    fs::remove_all(installed());
    fs::remove(staged() / "Contents" / "MacOS" / "Corvane");
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(pidNoProcessCanHave())));

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Corvane updater failed: couldNotLaunchReplacement\n");
    EXPECT_FALSE(fs::exists(fs::symlink_status(installed())));
    const Tree after = snapshot(work());
    Tree expected = without(before, kStaged);
    expected[kBackups] = after.count(kBackups) ? after.at(kBackups) : "missing";
    EXPECT_EQ(after, expected);
}

TEST_F(UpdaterReplaceTest, WhenTheLauncherIsMissingTheSystemErrorIsReportedAndUndone) {
    const fs::path lonely = temporary_.path() / "lonely" / "CorvaneUpdater";
    copyExecutable(CORVANE_UPDATER_PATH, lonely);
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(pidNoProcessCanHave())), lonely);

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Corvane updater failed: cannot start " +
                              (lonely.parent_path() / "corvane-open").string() +
                              ": No such file or directory\n");
    const Tree after = snapshot(work());
    Tree expected = without(before, kStaged);
    expected[kBackups] = after.count(kBackups) ? after.at(kBackups) : "missing";
    EXPECT_EQ(after, expected);
}

// Staging lives in the home folder while the installed bundle may lie on
// another file system; there a move is a copy followed by a removal.
class UpdaterAcrossFileSystemsTest : public UpdaterReplaceTest {
  protected:
    void SetUp() override {
        UpdaterReplaceTest::SetUp();
        if (sameFileSystem(work(), elsewhere_.path())) {
            GTEST_SKIP() << "/dev/shm is on the same file system as " << work();
        }
        source_ = elsewhere_.path() / "Corvane.app";
        fs::copy(staged(), source_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        fs::remove_all(staged());
    }

    TemporaryFolder elsewhere_{"/dev/shm"};
};

TEST_F(UpdaterAcrossFileSystemsTest, CopiesTheNewBundleExactly) {
    const Tree stagedBefore = snapshot(source_);
    const Tree installedBefore = snapshot(installed());

    const Finished result = runTool(arguments(std::to_string(pidNoProcessCanHave())));

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(snapshot(installed()), stagedBefore);
    EXPECT_FALSE(fs::exists(source_));
    EXPECT_EQ(snapshot(backups() / onlyBackupName()), installedBefore);
    expectLaunchedFrom(installed());
}

TEST_F(UpdaterAcrossFileSystemsTest, AFailedCopyLeavesNoPartialBundleAndRestores) {
    // A named pipe cannot be copied, so the copy fails part of the way.
    ASSERT_EQ(::mkfifo((source_ / "Contents" / "Resources" / "pipe").c_str(), 0600), 0);
    const Tree stagedBefore = snapshot(source_);
    const Tree before = snapshot(work());

    const Finished result = runTool(arguments(std::to_string(pidNoProcessCanHave())));

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("Corvane updater failed: cannot move ", 0), 0u) << result.err;
    const Tree after = snapshot(work());
    Tree expected = before;
    expected[kBackups] = after.count(kBackups) ? after.at(kBackups) : "missing";
    EXPECT_EQ(after, expected);
    EXPECT_EQ(snapshot(source_), stagedBefore);
    expectNothingLaunched();
}

}  // namespace
}  // namespace corvane::harness
