#pragma once

#include <sys/types.h>

#include <filesystem>

namespace corvane::updater {

// Sends SIGTERM to `processID` and tests 50 times, 0.1 seconds apart,
// whether it has gone. Throws Failure(couldNotStopPreviousProcess) when the
// signal cannot be sent (a process already gone is fine) or when the process
// outlives the last test. Never sends a stronger signal.
void stopPreviousProcess(pid_t processID);

// The launcher that starts the new application: corvane-open, shipped in
// the same folder as this tool. It is opened when this object is made, so
// that it can still be run after the bundle holding it has been moved.
class Launcher {
  public:
    static constexpr const char* kFileName = "corvane-open";

    // The launcher in the folder of the running executable.
    static Launcher besideThisProgram();

    explicit Launcher(std::filesystem::path path);
    ~Launcher();
    Launcher(Launcher&& other) noexcept;
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;
    Launcher& operator=(Launcher&&) = delete;

    // Runs the launcher with "-n" and `bundle`, its output and errors sent to
    // /dev/null, and waits for it. Throws Failure with the system's error
    // when it cannot be started, and couldNotLaunchReplacement when it does
    // not exit with status 0.
    void launch(const std::filesystem::path& bundle) const;

  private:
    // A launcher that could not even be looked for.
    Launcher(std::filesystem::path path, int openError);

    std::filesystem::path path_;
    int fd_ = -1;
    int openError_ = 0;
};

}  // namespace corvane::updater
