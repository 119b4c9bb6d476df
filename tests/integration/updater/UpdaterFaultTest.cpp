#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <atomic>
#include <cstring>
#include <fstream>
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
    bool twoFileSystems;     // the installed bundle on a tmpfs of its own
    bool newVersionFails;    // it ends at once, so the tool rolls it back
    std::string call = {};   // where strace injects the fault; none in the undisturbed run
    std::string fault = {};  // as strace takes it, with the call's number among its kind
    std::string label = {};  // what the call did in the undisturbed run
};

// Runs the real tool under strace with `options` in `folder`, then starts
// whatever is installed, as a user would. The installed location holds one
// complete application, old or new, which starts (unless it is the new
// version made to fail); a previous application that could not be put back
// is where the error line says; a termination signal changes nothing.
void swapUnder(const std::vector<std::string>& options, const fs::path& folder,
               const fs::path& tmpfs, const Row& row) {
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
    const auto holds = [&](const fs::path& place) {
        const Tree tree = snapshot(place);
        return tree == oldTree ? "old" : tree == newTree ? "new" : "neither or a mixture";
    };
    std::vector<std::string> command{"/usr/bin/strace", "-f", "-b", "execve", "-qq"};
    command.insert(command.end(), options.begin(), options.end());
    command.insert(
        command.end(),
        {CORVANE_UPDATER_PATH, "--pid", std::to_string(pidNoProcessCanHave()), "--source", staged,
         "--destination", installed, "--backup-root", folder / "Backups"});
    // LeakSanitizer cannot work under a tracer; the tool's leaks are checked untraced.
    const Finished result =
        run(command,
            {{{"CORVANE_TEST_REPORTS", folder / "reports"}, {"ASAN_OPTIONS", "detect_leaks=0"}}});

    SCOPED_TRACE(std::string(row.twoFileSystems ? "two file systems" : "one file system") +
                 (row.newVersionFails ? ", failing: " : ", working: ") + row.label + " | " +
                 row.fault + "\n" + result.err);
    const std::string now = holds(installed);
    EXPECT_TRUE(now == "old" || now == "new") << now;
    // Only a failed removal (or rename out of sight) leaves anything beside it.
    if (row.fault.rfind("error=EIO", 0) == 0 && row.call != "unlinkat" && row.call != "renameat2") {
        EXPECT_EQ(std::distance(fs::directory_iterator(installed.parent_path()), {}), 1);
    }
    // A failed undo says where the previous application is.
    const std::string note = "the previous application is at ";
    std::string previousAt;
    if (const auto at = result.err.find(note); at != std::string::npos) {
        const std::string named = result.err.substr(at + note.size());
        previousAt = holds(named.substr(0, named.find_first_of(";\n")));
    }
    EXPECT_EQ(previousAt, result.exitCode == 1 && now == "new" ? "old" : "");
    std::string startsAs;
    if (now == "old" || (now == "new" && !row.newVersionFails)) {
        run({CORVANE_OPEN_PATH, "-n", installed}, {{{"CORVANE_TEST_REPORTS", folder / "check"}}});
        for (const auto& [pid, build] : startedApplications(folder / "check", 1, 10s)) {
            startsAs = build;
        }
    }
    EXPECT_EQ(startsAs, now == "old" ? "57" : row.newVersionFails ? "" : "58");
    if (result.exitCode == 0 || row.fault.empty() || row.fault.rfind("signal=SIGTERM", 0) == 0) {
        EXPECT_EQ(result.exitCode, row.newVersionFails ? 1 : 0);
        EXPECT_EQ(now, row.newVersionFails ? "old" : "new");
    }
    stopStartedApplications(folder / "check");
    stopStartedApplications(folder / "reports");
}

// Faults are injected at every file-changing call of a swap and of a
// roll-back, on one and on two file systems: an error (EIO), a kill, and at
// the renames a blocked termination signal.
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
        rows.push_back({two, fails});
        swapUnder({"-y", "-o", folder.string() + ".trace", "-e", "trace=" + kFileCalls}, folder,
                  tmpfs, rows.back());
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
                    rows.push_back({two, fails, call, fault + ":when=" + std::to_string(n),
                                    line.substr(0, 160)});
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
                    swapUnder({"-o", "/dev/null", "-e", "trace=" + rows[i].call, "-e",
                               "inject=" + rows[i].call + ":" + rows[i].fault},
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
    EXPECT_GT(rows.size(), 300u);
}

}  // namespace
}  // namespace corvane::harness
