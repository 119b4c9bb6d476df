#include "ProcessHarness.h"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace corvane::harness {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

std::vector<std::string> environmentWith(
    const std::vector<std::pair<std::string, std::string>>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : changes) {
            replaced = replaced || text.rfind(name + "=", 0) == 0;
        }
        if (!replaced) {
            result.push_back(text);
        }
    }
    for (const auto& [name, value] : changes) {
        result.push_back(name + "=" + value);
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& text : strings) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

pid_t spawn(const fs::path& program, const std::vector<std::string>& arguments,
            SpawnActions& actions, const std::vector<std::string>& environment) {
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto argvPointers = pointers(argv);
    auto env = environment;
    auto envPointers = pointers(env);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, program.c_str(), actions.get(), nullptr,
                                    argvPointers.data(), envPointers.data());
    if (error != 0) {
        errno = error;
        fail("cannot start " + program.string());
    }
    return pid;
}

#if defined(__x86_64__)
constexpr std::uint32_t kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t kAuditArch = AUDIT_ARCH_AARCH64;
#else
#error "no seccomp architecture for this processor"
#endif

#define CORVANE_DENY_SYSCALL(nr)                     \
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, (nr), 0, 1), \
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM)

// In a forked child, before exec: only async-signal-safe calls.
bool forbidSignalsInThisProcess() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        CORVANE_DENY_SYSCALL(__NR_kill),
        CORVANE_DENY_SYSCALL(__NR_tkill),
        CORVANE_DENY_SYSCALL(__NR_tgkill),
        CORVANE_DENY_SYSCALL(__NR_rt_sigqueueinfo),
        CORVANE_DENY_SYSCALL(__NR_rt_tgsigqueueinfo),
        CORVANE_DENY_SYSCALL(__NR_pidfd_send_signal),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// posix_spawn cannot install a filter, so this forks. The test process may
// have threads; the child only calls async-signal-safe functions before exec.
pid_t spawnWithoutSignals(const fs::path& program, const std::vector<std::string>& arguments,
                          int out, int err, const std::vector<std::string>& environment) {
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto argvPointers = pointers(argv);
    auto env = environment;
    auto envPointers = pointers(env);
    const pid_t pid = ::fork();
    if (pid < 0) {
        fail("fork");
    }
    if (pid == 0) {
        if (::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0 ||
            !forbidSignalsInThisProcess()) {
            static const char message[] = "cannot install the seccomp filter\n";
            [[maybe_unused]] const auto written = ::write(err, message, sizeof message - 1);
            ::_exit(126);
        }
        ::execve(program.c_str(), argvPointers.data(), envPointers.data());
        ::_exit(127);
    }
    return pid;
}

}  // namespace

TemporaryFolder::TemporaryFolder(const fs::path& base) {
    const fs::path parent = base.empty() ? fs::temp_directory_path() : base;
    std::string pattern = (parent / "corvane-updater-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        fail("cannot create a temporary folder in " + parent.string());
    }
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

Finished run(const fs::path& program, const std::vector<std::string>& arguments,
             const RunOptions& options) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) < 0 || ::pipe2(err, O_CLOEXEC) < 0) {
        fail("pipe");
    }
    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), err[1], STDERR_FILENO);
    if (options.extraDescriptor) {
        posix_spawn_file_actions_addopen(actions.get(), options.extraDescriptor->first,
                                         options.extraDescriptor->second.c_str(), O_RDONLY, 0);
    }
    const auto started = Clock::now();
    const pid_t pid =
        options.forbidSignals
            ? spawnWithoutSignals(program, arguments, out[1], err[1],
                                  environmentWith(options.environment))
            : spawn(program, arguments, actions, environmentWith(options.environment));
    ::close(out[1]);
    ::close(err[1]);

    Finished finished;
    pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&finished.out, &finished.err};
    int open = 2;
    while (open > 0) {
        int wait = -1;
        if (options.deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                started + *options.deadline - Clock::now());
            if (left.count() <= 0) {
                ::kill(pid, SIGKILL);  // our own child, past its deadline
                finished.killedAtDeadline = true;
                break;
            }
            wait = static_cast<int>(left.count());
        }
        if (::poll(streams, 2, wait) < 0 && errno != EINTR) {
            fail("poll");
        }
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd >= 0 && (streams[i].revents & (POLLIN | POLLHUP))) {
                char buffer[4096];
                const ssize_t got = ::read(streams[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    texts[i]->append(buffer, static_cast<std::size_t>(got));
                } else {
                    ::close(streams[i].fd);
                    streams[i].fd = -1;
                    --open;
                }
            }
        }
    }
    for (const auto& stream : streams) {
        if (stream.fd >= 0) {
            ::close(stream.fd);
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    finished.elapsed = Clock::now() - started;
    finished.exited = WIFEXITED(status);
    finished.exitCode = finished.exited ? WEXITSTATUS(status) : -1;
    return finished;
}

StartedProcess::StartedProcess(const fs::path& program, const std::vector<std::string>& arguments) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) < 0) {
        fail("pipe");
    }
    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), out[1], STDOUT_FILENO);
    started_ = Clock::now();
    pid_ = spawn(program, arguments, actions, environmentWith({}));
    ::close(out[1]);
    out_ = out[0];
    reaper_ = std::thread([this] {
        // Wait without reaping first: until status_ is set under the lock
        // the id stays taken, so the destructor can never signal a stranger.
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) < 0 &&
               errno == EINTR) {
        }
        const std::lock_guard lock(mutex_);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        status_ = status;
        endedAt_ = Clock::now();
        ended_.notify_all();
    });
}

StartedProcess::~StartedProcess() {
    {
        std::unique_lock lock(mutex_);
        if (!status_) {
            ::kill(pid_, SIGKILL);  // our own child
        }
    }
    reaper_.join();
    ::close(out_);
}

void StartedProcess::readAvailable(std::chrono::milliseconds timeout) {
    pollfd stream{out_, POLLIN, 0};
    if (::poll(&stream, 1, static_cast<int>(timeout.count())) > 0 && (stream.revents & POLLIN)) {
        char buffer[1024];
        const ssize_t got = ::read(out_, buffer, sizeof buffer);
        if (got > 0) {
            collected_.append(buffer, static_cast<std::size_t>(got));
        }
    }
}

bool StartedProcess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto until = Clock::now() + timeout;
    while (collected_.find(text) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        readAvailable(left);
    }
    return true;
}

std::string StartedProcess::output() {
    readAvailable(std::chrono::milliseconds(0));
    return collected_;
}

std::optional<int> StartedProcess::waitForEnd(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, timeout, [this] { return status_.has_value(); });
    return status_;
}

std::optional<Clock::time_point> StartedProcess::endedAt() {
    const std::lock_guard lock(mutex_);
    return endedAt_;
}

void adoptOrphans() {
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        fail("cannot become a subreaper");
    }
}

bool reapAdopted(pid_t pid, std::chrono::milliseconds timeout) {
    const auto until = Clock::now() + timeout;
    while (Clock::now() < until) {
        int status = 0;
        const pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got == pid) {
            return true;
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

pid_t pidNoProcessCanHave() {
    std::ifstream in("/proc/sys/kernel/pid_max");
    long pidMax = 0;
    in >> pidMax;
    if (pidMax <= 0) {
        throw std::runtime_error("cannot read /proc/sys/kernel/pid_max");
    }
    return static_cast<pid_t>(pidMax + 1);
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
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
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
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
}

std::string xmlInfoPlist(const std::vector<std::pair<std::string, std::string>>& strings) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n";
    for (const auto& [key, value] : strings) {
        xml += "\t<key>" + key + "</key>\n\t<string>" + value + "</string>\n";
    }
    return xml + "</dict>\n</plist>\n";
}

void makeBundle(const fs::path& bundle, const std::string& executableName,
                const fs::path& executable) {
    writeFile(bundle / "Contents" / "Info.plist",
              xmlInfoPlist({{"CFBundleIdentifier", "app.corvane.Corvane"},
                            {"CFBundleExecutable", executableName},
                            {"CFBundleVersion", "57"}}));
    copyExecutable(executable, bundle / "Contents" / "MacOS" / executableName);
}

}  // namespace corvane::harness
