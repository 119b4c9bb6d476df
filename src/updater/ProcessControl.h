#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>

#include "platform/linux/files/UniqueFd.h"

namespace corvane::updater {

// A process held through a pidfd, so that a later process given the same
// number is never mistaken for it. A process that has ended counts as ended
// at once, even while its parent has not yet collected it (a zombie).
class ProcessHandle {
  public:
    explicit ProcessHandle(pid_t pid);

    // The process had ended before the handle was opened.
    bool goneAtStart() const { return openError_ == ESRCH; }
    // The errno when no pidfd could be had, 0 when it was opened.
    int openError() const { return openError_; }

    // Sends `signal`; returns 0, or the errno (ESRCH: already ended).
    int send(int signal) const;

    // True when the process ends within `limit`, or has ended already.
    // A handle that could not be opened reads as ended only when the process
    // was already gone.
    bool endsWithin(std::chrono::milliseconds limit) const;

  private:
    files::UniqueFd fd_;
    int openError_ = 0;
};

// Sends SIGTERM to the process and tests 50 times, 0.1 seconds apart,
// whether it has ended. Throws Failure(couldNotStopPreviousProcess) when
// the signal cannot be sent (a process already gone is fine) or when the
// process outlives the last test. Never sends a stronger signal.
void stopPreviousProcess(const ProcessHandle& process);

// The launcher that starts an application bundle: corvane-open, shipped in
// the same folder as this tool. It is opened when this object is made, so
// that it can still be run after the bundle holding it has been moved.
class Launcher {
  public:
    static constexpr const char* kFileName = "corvane-open";

    // The launcher in the folder of the running executable.
    static Launcher besideThisProgram();

    explicit Launcher(std::filesystem::path path);

    // Throws Failure with the system's error when the launcher cannot be run.
    void check() const;

    // Runs the launcher with "--pid-fd", a pipe of its own, "-n" and
    // `bundle`, its output and errors sent to /dev/null, and waits for it.
    // Returns a handle on the application it started, whose process id it
    // reads from the pipe. Throws couldNotLaunchReplacement when the
    // launcher fails or reports no process.
    ProcessHandle launch(const std::filesystem::path& bundle) const;

  private:
    Launcher(std::filesystem::path path, int openError);

    std::filesystem::path path_;
    files::UniqueFd fd_;
    int openError_ = 0;
};

}  // namespace corvane::updater
