#include "ProcessHarness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace corvane::harness {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The program's output goes to memory files, read once it has ended, so
// that nothing the program leaves running can hold the test up.
std::string contentOf(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t got;
    for (off_t at = 0; (got = ::pread(fd, buffer, sizeof buffer, at)) > 0; at += got) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

pid_t spawn(std::vector<std::string> command, int out, int err, const RunOptions& options = {}) {
    // Through env(1), so that the test's own environment stays as it is.
    for (auto it = options.environment.rbegin(); it != options.environment.rend(); ++it) {
        command.insert(command.begin(), it->first + "=" + it->second);
    }
    if (!options.environment.empty()) {
        command.insert(command.begin(), "/usr/bin/env");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    std::vector<char*> argv;
    for (auto& text : command) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        errno = error;
        fail("cannot start " + command[0]);
    }
    return pid;
}

std::string describe(const fs::path& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) {
        return "link " + fs::read_symlink(path).string();
    }
    const std::string mode = std::to_string(info.st_mode & 07777);
    if (!S_ISREG(info.st_mode)) {
        return (S_ISDIR(info.st_mode) ? "folder " : "special ") + mode;
    }
    // Size and hash: enough to tell contents apart, short enough to print.
    const std::string content = readFile(path);
    return "file " + mode + " " + std::to_string(content.size()) + " " +
           std::to_string(std::hash<std::string>()(content));
}

}  // namespace

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "corvane-updater-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        fail("mkdtemp");
    }
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

Finished run(const std::vector<std::string>& command, const RunOptions& options) {
    const int out = ::memfd_create("out", MFD_CLOEXEC);
    const int err = ::memfd_create("err", MFD_CLOEXEC);
    const auto started = Clock::now();
    const pid_t pid = spawn(command, out, err, options);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    Finished finished;
    finished.elapsed = Clock::now() - started;
    finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    finished.out = contentOf(out);
    finished.err = contentOf(err);
    ::close(out);
    ::close(err);
    return finished;
}

Application::Application(const char* mode) : out_(::memfd_create("out", MFD_CLOEXEC)) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    // A shell runs a trap once its current command has ended.
    pid_ = spawn({"/bin/sh", "-c",
                  std::string(mode) == "stubborn"
                      ? "trap 'printf T' TERM; echo ready; while :; do sleep 0.05; done"
                      : "echo ready; exec sleep 60"},
                 out_, null);
    ::close(null);
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (output() != "ready\n") {
        if (Clock::now() > until) {
            throw std::runtime_error("the test application did not get ready");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

Application::~Application() {
    ::kill(pid_, SIGKILL);  // our own unreaped child: its id is still its own
    ::waitpid(pid_, nullptr, 0);
    ::close(out_);
}

std::string Application::output() const {
    return contentOf(out_);
}

int Application::endedBySignal() const {
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    return info.si_pid == pid_ && info.si_code == CLD_KILLED ? info.si_status : 0;
}

void adoptOrphans() {
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        fail("cannot become a subreaper");
    }
}

pid_t pidNoProcessCanHave() {
    return static_cast<pid_t>(std::stol(readFile("/proc/sys/kernel/pid_max")) + 1);
}

Tree snapshot(const fs::path& root) {
    Tree tree;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(root, error))) {
        return tree;
    }
    tree["."] = describe(root);
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        // Lexically: relative() would resolve symbolic links.
        tree[it->path().lexically_relative(root).string()] = describe(it->path());
    }
    return tree;
}

std::optional<std::map<std::string, std::string>> waitForReport(const fs::path& file,
                                                                std::chrono::milliseconds timeout) {
    const auto until = Clock::now() + timeout;
    while (!fs::exists(file)) {
        if (Clock::now() > until) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::map<std::string, std::string> report;
    std::istringstream lines(readFile(file));
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            report[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return report;
}

void writeFile(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    // Close-on-exec: a program that another thread starts meanwhile must not
    // keep the file open for writing, or running it fails (ETXTBSY).
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const auto written = fd < 0 ? -1 : ::write(fd, content.data(), content.size());
    ::close(fd);
    if (written != static_cast<ssize_t>(content.size())) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void copyExecutable(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms(0755));
}

std::string xmlInfoPlist(const std::vector<std::pair<std::string, std::string>>& strings) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\">\n<dict>\n";
    for (const auto& [key, value] : strings) {
        xml += "\t<key>" + key + "</key>\n\t<string>" + value + "</string>\n";
    }
    return xml + "</dict>\n</plist>\n";
}

void makeScriptBundle(const fs::path& bundle, const std::string& build, const std::string& body) {
    writeFile(bundle / "Contents" / "Info.plist",
              xmlInfoPlist({{"CFBundleExecutable", "Corvane"}, {"CFBundleVersion", build}}));
    const fs::path script = bundle / "Contents" / "MacOS" / "Corvane";
    writeFile(script,
              "#!/bin/sh\n" + (body.empty() ? "cd \"$CORVANE_TEST_REPORTS\" && echo " + build +
                                                  " >.$$ && mv .$$ $$ && exec sleep 8\n"
                                            : body + "\n"));
    fs::permissions(script, fs::perms(0744));
    writeFile(bundle / "Contents" / "Resources" / "version.txt", "build " + build + "\n");
    fs::create_symlink("version.txt", bundle / "Contents" / "Resources" / "current");
}

std::map<pid_t, std::string> startedApplications(const fs::path& folder, std::size_t count,
                                                 std::chrono::milliseconds timeout) {
    const auto until = Clock::now() + timeout;
    for (;;) {
        std::map<pid_t, std::string> started;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name[0] != '.') {
                std::string build = readFile(entry.path());
                started[std::stoi(name)] = build.substr(0, build.find('\n'));
            }
        }
        if (started.size() >= count || Clock::now() > until) {
            return started;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void stopStartedApplications(const fs::path& folder) {
    for (const auto& [pid, build] : startedApplications(folder, 0, std::chrono::milliseconds(0))) {
        // Only a child of this (adopting) process is still sure to be itself.
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
}

}  // namespace corvane::harness
