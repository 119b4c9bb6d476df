#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "ProcessHarness.h"

namespace corvane::harness {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Every system call by which a program can change a file.
const std::string kFileCalls =
    "/^(open|openat|creat|write|pwrite64|writev|truncate|ftruncate|fsync|fdatasync|chmod|fchmod|"
    "fchmodat|mkdir|mkdirat|rmdir|link|linkat|symlink|symlinkat|rename|renameat|renameat2|unlink|"
    "unlinkat)$";

struct Row {
    bool twoFileSystems = false;   // the installed bundle on a tmpfs of its own
    bool newVersionFails = false;  // it ends at once, so the tool rolls it back
    std::string call = {};         // with `n`: the n-th call of its kind the tool makes
    int n = 0;
    std::string fault = {};  // a strace injection; none for the undisturbed run
    std::string step = {};   // what the call did in the undisturbed run
    Finished result = {};
    std::string installed = {};   // "old", "new", or what else is there
    std::string previousAt = {};  // what the place the error line names holds
    std::string startsAs = {};    // the build the installed application starts as
    std::string beside = {};      // what else the installed location's folder holds
};

// Runs the real tool under strace with `options` in `folder`, then starts
// whatever is installed, as a user would.
void swapUnder(const std::vector<std::string>& options, const fs::path& folder,
               const fs::path& tmpfs, Row& row) {
    const fs::path installed =
        (row.twoFileSystems ? tmpfs / folder.filename() : folder) / "Applications" / "Corvane.app";
    const fs::path staged = folder / "Staging" / "Corvane.app";
    makeScriptBundle(installed, "57");
    makeScriptBundle(staged, "58", row.newVersionFails ? "exit 3" : "");
    for (const char* made : {"Backups", "reports", "check"}) {
        fs::create_directories(folder / made);
    }
    const Tree oldTree = snapshot(installed);
    const Tree newTree = snapshot(staged);
    const auto holds = [&](const Tree& tree) {
        return tree == oldTree ? "old" : tree == newTree ? "new" : "neither or a mixture";
    };
    std::vector<std::string> command{"/usr/bin/strace", "-f", "-b", "execve", "-qq"};
    command.insert(command.end(), options.begin(), options.end());
    command.insert(
        command.end(),
        {CORVANE_UPDATER_PATH, "--pid", std::to_string(pidNoProcessCanHave()), "--source", staged,
         "--destination", installed, "--backup-root", folder / "Backups"});
    // LeakSanitizer cannot work under a tracer; the tool's leaks are checked untraced.
    row.result =
        run(command,
            {{{"CORVANE_TEST_REPORTS", folder / "reports"}, {"ASAN_OPTIONS", "detect_leaks=0"}}});
    row.installed = holds(snapshot(installed));
    for (const auto& entry : fs::directory_iterator(installed.parent_path())) {
        row.beside += entry.path() == installed ? "" : entry.path().filename().string() + " ";
    }
    const std::string note = "the previous application is at ";
    if (const auto at = row.result.err.find(note); at != std::string::npos) {
        const std::string rest = row.result.err.substr(at + note.size());
        row.previousAt = holds(snapshot(rest.substr(0, rest.find_first_of(";\n"))));
    }
    // A new version made to fail cannot start; anything else must.
    if (row.installed == "old" || (row.installed == "new" && !row.newVersionFails)) {
        run({CORVANE_OPEN_PATH, "-n", installed}, {{{"CORVANE_TEST_REPORTS", folder / "check"}}});
        for (const auto& [pid, build] : startedApplications(folder / "check", 1, 10s)) {
            row.startsAs = build;
        }
    }
    stopStartedApplications(folder / "check");
    stopStartedApplications(folder / "reports");
}

// After an injected failure or kill at every file-changing call of a swap
// and of a roll-back, on one and on two file systems, the installed location
// holds one complete application, old or new, which starts (unless it is
// the new version made to fail); a previous application that could not be
// put back is where the error line says. Termination signals change nothing.
TEST(UpdaterFaultTest, EveryFaultLeavesOneCompleteApplication) {
    adoptOrphans();
    TemporaryFolder temporary;
    const fs::path tmpfs = temporary.path() / "tmpfs";
    fs::create_directory(tmpfs);
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", tmpfs.c_str(), "tmpfs", 0, nullptr) != 0) {
        GTEST_SKIP() << "a private tmpfs needs root: " << std::strerror(errno);
    }
    std::vector<Row> rows;
    for (const auto& [two, fails] :
         {std::pair{false, false}, {false, true}, {true, false}, {true, true}}) {
        // The undisturbed run names the steps, numbered as strace counts
        // them: per call and per process, here the tool's (the first seen).
        const fs::path folder = temporary.path() / std::to_string(rows.size());
        Row undisturbed{two, fails};
        swapUnder({"-y", "-o", folder.string() + ".trace", "-e", "trace=" + kFileCalls}, folder,
                  tmpfs, undisturbed);
        rows.push_back(undisturbed);
        std::ifstream trace(folder.string() + ".trace");
        std::map<std::string, int> counts;
        std::string toolPid;
        for (std::string pid, line; trace >> pid && std::getline(trace >> std::ws, line);) {
            const std::string call = line.substr(0, line.find('('));
            toolPid = toolPid.empty() ? pid : toolPid;
            if (pid != toolPid || !std::islower(line[0])) {
                continue;  // another process, or a signal or exit note
            }
            const int n = ++counts[call];
            // Only files created and calls on paths (-y names them) count:
            // not reading, the standard streams, or a sanitizer's own pipe.
            const auto at = call.size() + 1;
            const auto fd = line.find_first_not_of("0123456789", at);
            if ((call.rfind("open", 0) == 0 && line.find("O_CREAT") == std::string::npos) ||
                (fd != at && (std::stoi(line.substr(at)) < 3 || line.compare(fd, 2, "</") != 0))) {
                continue;
            }
            // Blocked termination signals are shown at one kind of call.
            for (const std::string fault : {"error=EIO", "signal=SIGKILL", "signal=SIGTERM"}) {
                if (fault != "signal=SIGTERM" || call == "renameat2") {
                    rows.push_back({two, fails, call, n, fault, line.substr(0, 160)});
                }
            }
        }
    }

    // The runs mostly wait (half a second before the swap, five seconds of
    // health check after it), so they share the processor.
    std::atomic<std::size_t> next = 0;
    std::vector<std::thread> workers;
    for (int worker = 0; worker < 12; ++worker) {
        workers.emplace_back([&] {
            for (std::size_t i; (i = next++) < rows.size();) {
                if (!rows[i].fault.empty()) {
                    const std::string injection =
                        rows[i].call + ":" + rows[i].fault + ":when=" + std::to_string(rows[i].n);
                    swapUnder({"-o", "/dev/null", "-e", "trace=" + rows[i].call, "-e",
                               "inject=" + injection},
                              temporary.path() / std::to_string(i), tmpfs, rows[i]);
                }
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    ::umount2(tmpfs.c_str(), MNT_DETACH);
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {  // new versions that ended at once
    }

    for (const Row& row : rows) {
        std::ostringstream label;
        label << (row.twoFileSystems ? "two file systems" : "one file system")
              << (row.newVersionFails ? ", failing | " : ", working | ") << row.call << " #"
              << row.n << " " << row.step << " | " << (row.fault.empty() ? "none" : row.fault)
              << " | "
              << (row.result.exitCode < 0 ? "killed"
                                          : "exit " + std::to_string(row.result.exitCode))
              << ", " << row.installed << " installed"
              << (row.startsAs.empty() ? "" : ", starts as " + row.startsAs)
              << (row.previousAt.empty() ? "" : ", previous named (" + row.previousAt + ")");
        std::cout << label.str() << "\n";
        SCOPED_TRACE(label.str() + "\n" + row.result.err);
        EXPECT_TRUE(row.installed == "old" || row.installed == "new");
        // Only a failed removal (or rename out of sight) leaves anything beside it.
        if (row.fault == "error=EIO" && row.call != "unlinkat" && row.call != "renameat2") {
            EXPECT_EQ(row.beside, "");
        }
        EXPECT_EQ(row.startsAs, row.installed == "old" ? "57" : row.newVersionFails ? "" : "58");
        // A failed undo says where the previous application is.
        EXPECT_EQ(row.previousAt, row.result.exitCode == 1 && row.installed == "new" ? "old" : "");
        if (row.result.exitCode == 0 || row.fault.empty() || row.fault == "signal=SIGTERM") {
            EXPECT_EQ(row.result.exitCode, row.newVersionFails ? 1 : 0);
            EXPECT_EQ(row.installed, row.newVersionFails ? "old" : "new");
        }
    }
    EXPECT_GT(rows.size(), 300u);
}

}  // namespace
}  // namespace corvane::harness
