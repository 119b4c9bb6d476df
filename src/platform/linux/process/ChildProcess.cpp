#include "platform/linux/process/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

extern char** environ;

namespace corvane::process {

namespace {

class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t* actions() { return &actions_; }
    posix_spawnattr_t* attributes() { return &attributes_; }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

}  // namespace

std::variant<Child, std::error_code> startChild(const std::filesystem::path& program,
                                                const std::vector<std::string>& arguments) {
    SpawnSetup setup;
    for (int stream = 0; stream <= 2; ++stream) {
        posix_spawn_file_actions_addopen(setup.actions(), stream, "/dev/null",
                                         stream == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    // A descriptor this process opened without close-on-exec (a lock, a
    // connection) must not live on in a child that outlives it.
    posix_spawn_file_actions_addclosefrom_np(setup.actions(), 3);
    // A signal this process ignores or blocks (Qt and others may) would
    // otherwise stay ignored or blocked in the child.
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(setup.attributes(), &all);
    posix_spawnattr_setsigmask(setup.attributes(), &none);
    posix_spawnattr_setflags(setup.attributes(), POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> texts{program.string()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    Child child;
    const int error = ::posix_spawn(&child.pid, program.c_str(), setup.actions(),
                                    setup.attributes(), argv.data(), environ);
    if (error != 0) {
        return std::error_code(error, std::generic_category());
    }
    // The child is ours and not yet collected, so its id cannot have been
    // reused in between. It runs either way: a missing pidfd only means its
    // end goes unnoticed.
    // (Through syscall(): glibc 2.36 declares pidfd_open without C linkage.)
    child.pidfd.reset(static_cast<int>(::syscall(SYS_pidfd_open, child.pid, 0)));
    return child;
}

std::optional<int> collectChild(pid_t pid) {
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == pid) {
        return status;
    }
    return std::nullopt;
}

}  // namespace corvane::process
