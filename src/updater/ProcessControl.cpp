#include "updater/ProcessControl.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include "updater/Failure.h"

extern char** environ;

namespace corvane::updater {

namespace {

constexpr int kExistenceTests = 50;
constexpr auto kTestInterval = std::chrono::milliseconds(100);

// Any answer but "no such process", a permission error included, means the
// process may still be there.
bool processIsGone(pid_t processID) {
    return ::kill(processID, 0) != 0 && errno == ESRCH;
}

int waitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

}  // namespace

void stopPreviousProcess(pid_t processID) {
    if (::kill(processID, SIGTERM) != 0 && errno != ESRCH) {
        throw Failure(UpdaterError::couldNotStopPreviousProcess);
    }
    for (int test = 0; test < kExistenceTests; ++test) {
        if (processIsGone(processID)) {
            return;
        }
        std::this_thread::sleep_for(kTestInterval);
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

Launcher::Launcher(std::filesystem::path path) : path_(std::move(path)) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        openError_ = errno;
    }
}

Launcher::Launcher(std::filesystem::path path, int openError)
    : path_(std::move(path)), openError_(openError) {}

Launcher::Launcher(Launcher&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), openError_(other.openError_) {
    other.fd_ = -1;
}

Launcher::~Launcher() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void Launcher::launch(const std::filesystem::path& bundle) const {
    const std::string action = "cannot start " + path_.string();
    if (fd_ < 0) {
        throw Failure(SystemError{action, openError_});
    }
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) < 0) {
        throw Failure(SystemError{action, errno});
    }
    const std::string program = path_.string();
    const std::string bundlePath = bundle.string();
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("-n"),
                          const_cast<char*>(bundlePath.c_str()), nullptr};

    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(errorPipe[0]);
        ::close(errorPipe[1]);
        throw Failure(SystemError{action, error});
    }
    if (child == 0) {
        int error = 0;
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0 || ::dup2(null, STDERR_FILENO) < 0) {
            error = errno;
        } else {
            // Run from the descriptor: the file may have moved with its bundle.
            ::fexecve(fd_, argv, environ);
            error = errno;
        }
        [[maybe_unused]] const auto written = ::write(errorPipe[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(errorPipe[1]);

    int childError = 0;
    ssize_t got;
    do {
        got = ::read(errorPipe[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(errorPipe[0]);

    const int status = waitFor(child);
    if (got > 0) {
        throw Failure(SystemError{action, childError});
    }
    if (status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw Failure(UpdaterError::couldNotLaunchReplacement);
    }
}

}  // namespace corvane::updater
