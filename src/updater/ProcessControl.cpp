#include "updater/ProcessControl.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
// glibc 2.36 declares these functions without C linkage for C++.
extern "C" {
#include <sys/pidfd.h>
}
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/linux/failedbuilds/FailedBuilds.h"
#include "updater/Failure.h"

extern char** environ;

namespace corvane::updater {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kEndTests = 50;
constexpr auto kTestInterval = std::chrono::milliseconds(100);

int waitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

std::string readAll(int fd) {
    std::string text;
    char buffer[64];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || text.size() > 64) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

ProcessHandle::ProcessHandle(pid_t pid) : fd_(::pidfd_open(pid, 0)) {
    if (!fd_.valid()) {
        openError_ = errno;
    }
}

int ProcessHandle::send(int signal) const {
    if (!fd_.valid()) {
        return goneAtStart() ? ESRCH : openError_;
    }
    return ::pidfd_send_signal(fd_.get(), signal, nullptr, 0) == 0 ? 0 : errno;
}

bool ProcessHandle::endsWithin(std::chrono::milliseconds limit) const {
    if (!fd_.valid()) {
        return goneAtStart();
    }
    // A pidfd turns readable when its process has ended.
    const auto until = Clock::now() + limit;
    for (;;) {
        // Rounded up, so that 50 tests of 0.1 seconds never add up to less than 5.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        pollfd entry{fd_.get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

void stopPreviousProcess(const ProcessHandle& process) {
    const int error = process.send(SIGTERM);
    if (error == ESRCH) {
        return;
    }
    if (error != 0) {
        throw Failure(UpdaterError::couldNotStopPreviousProcess);
    }
    for (int test = 0; test < kEndTests; ++test) {
        if (process.endsWithin(kTestInterval)) {
            return;
        }
    }
    throw Failure(UpdaterError::couldNotStopPreviousProcess);
}

Launcher Launcher::besideThisProgram() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return Launcher(kFileName, error.value());
    }
    return Launcher(self.parent_path() / kFileName);
}

Launcher::Launcher(std::filesystem::path path)
    : path_(std::move(path)), fd_(::open(path_.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (!fd_.valid()) {
        openError_ = errno;
    }
}

Launcher::Launcher(std::filesystem::path path, int openError)
    : path_(std::move(path)), openError_(openError) {}

void Launcher::check() const {
    struct stat info;
    int error = openError_;
    if (!error && ::fstat(fd_.get(), &info) != 0) {
        error = errno;
    }
    if (!error && (!S_ISREG(info.st_mode) || (info.st_mode & 0111) == 0)) {
        error = EACCES;
    }
    if (error) {
        throw Failure(SystemError{"cannot start " + path_.string(), error});
    }
}

ProcessHandle Launcher::launch(const std::filesystem::path& bundle) const {
    int pidPipe[2];
    if (::pipe2(pidPipe, O_CLOEXEC) < 0) {
        throw Failure(SystemError{"cannot start " + path_.string(), errno});
    }
    files::UniqueFd readEnd(pidPipe[0]);
    files::UniqueFd writeEnd(pidPipe[1]);
    const std::string program = path_.string();
    const std::string pidFd = std::to_string(writeEnd.get());
    const std::string bundlePath = bundle.string();
    char* const argv[] = {const_cast<char*>(program.c_str()),    const_cast<char*>("--pid-fd"),
                          const_cast<char*>(pidFd.c_str()),      const_cast<char*>("-n"),
                          const_cast<char*>(bundlePath.c_str()), nullptr};

    const pid_t child = ::fork();
    if (child < 0) {
        throw Failure(SystemError{"cannot start " + program, errno});
    }
    if (child == 0) {
        // The launcher gets the write end, no output, and plain signal
        // handling: nothing this tool blocks or ignores passes on to it.
        sigset_t none;
        sigemptyset(&none);
        const int null = ::open("/dev/null", O_WRONLY);
        if (::fcntl(writeEnd.get(), F_SETFD, 0) == 0 && null >= 0 &&
            ::dup2(null, STDOUT_FILENO) >= 0 && ::dup2(null, STDERR_FILENO) >= 0 &&
            ::signal(SIGPIPE, SIG_DFL) != SIG_ERR &&
            ::sigprocmask(SIG_SETMASK, &none, nullptr) == 0) {
            ::fexecve(fd_.get(), argv, environ);
        }
        ::_exit(127);
    }
    writeEnd.reset();
    const std::string reported = readAll(readEnd.get());
    const int status = waitFor(child);
    // The launcher ends its report with a line feed, so a cut report is no number.
    std::string_view text = reported;
    if (text.empty() || text.back() != '\n') {
        text = "none";
    }
    const auto pid = failedbuilds::parseDecimal(text.substr(0, text.size() - 1));
    if (status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !pid || *pid <= 0 ||
        *pid > INT32_MAX) {
        throw Failure(UpdaterError::couldNotLaunchReplacement);
    }
    return ProcessHandle(static_cast<pid_t>(*pid));
}

}  // namespace corvane::updater
