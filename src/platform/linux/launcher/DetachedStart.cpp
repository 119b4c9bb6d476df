#include "platform/linux/launcher/DetachedStart.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/linux/files/UniqueFd.h"

namespace corvane::launcher {

namespace {

// Marks every descriptor from 3 upwards close-on-exec. Marking instead of
// closing keeps the error pipe (already close-on-exec) usable until exec.
void closeInheritedDescriptorsOnExec() {
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) {
        return;
    }
    // Older kernels: walk the open descriptors. The launcher is
    // single-threaded, so allocating after fork is safe here.
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        const int own = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            char* end = nullptr;
            const long fd = std::strtol(entry->d_name, &end, 10);
            if (*end == '\0' && end != entry->d_name && fd >= 3 && fd != own) {
                ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
            }
        }
        ::closedir(dir);
        return;
    }
    const long limit = ::sysconf(_SC_OPEN_MAX);
    for (long fd = 3; fd < (limit > 0 ? limit : 1024); ++fd) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    }
}

void resetSignals() {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal = 1; signal < NSIG; ++signal) {
        ::signal(signal, SIG_DFL);  // fails harmlessly for SIGKILL, SIGSTOP and gaps
    }
}

[[noreturn]] void runChild(const std::string& path, int errorPipe) {
    int error = 0;
    if (::setsid() < 0) {
        error = errno;
    }
    const int null = error ? -1 : ::open("/dev/null", O_RDWR);
    if (!error && null < 0) {
        error = errno;
    }
    if (!error) {
        for (int target = 0; target <= 2; ++target) {
            if (::dup2(null, target) < 0) {
                error = errno;
                break;
            }
        }
        if (null > 2) {
            ::close(null);
        }
    }
    if (!error && ::chdir("/") < 0) {
        error = errno;
    }
    if (!error) {
        closeInheritedDescriptorsOnExec();
        resetSignals();
        char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
        ::execv(path.c_str(), argv);
        error = errno;
    }
    // The parent learns why through the pipe; nothing else is left to report.
    [[maybe_unused]] const auto written = ::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

}  // namespace

int startDetached(const std::filesystem::path& executable, pid_t& started) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) < 0) {
        return errno;
    }
    files::UniqueFd readEnd(fds[0]);
    files::UniqueFd writeEnd(fds[1]);

    const std::string path = executable.string();
    const pid_t child = ::fork();
    if (child < 0) {
        return errno;
    }
    if (child == 0) {
        runChild(path, writeEnd.get());
    }
    writeEnd.reset();

    // End of file without data means exec closed the pipe: the program runs.
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(readEnd.get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    if (got == 0) {
        started = child;
        return 0;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof childError) && childError != 0) {
        return childError;
    }
    return got < 0 ? errno : EIO;
}

}  // namespace corvane::launcher
