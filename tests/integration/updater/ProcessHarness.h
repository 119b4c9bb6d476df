#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Runs the built programs and the processes they act on. Everything started
// here is stopped by its own process id and reaped; nothing is found or
// signalled by name.
namespace corvane::harness {

using Clock = std::chrono::steady_clock;

// A fresh folder under `base` (the system's temporary folder by default),
// removed with everything in it at the end.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::filesystem::path& base = {});
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

struct RunOptions {
    // Added to (or replacing in) the test's own environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // A program still running this long after its start is killed.
    std::optional<std::chrono::milliseconds> deadline;
    // Opened without close-on-exec as this descriptor number in the program.
    std::optional<std::pair<int, std::filesystem::path>> extraDescriptor;
    // Every attempt of the program to send a signal fails with EPERM (a
    // seccomp filter), so that even a faulty build cannot signal anyone.
    bool forbidSignals = false;
};

struct Finished {
    bool exited = false;  // ended by exit(), not by a signal
    int exitCode = -1;
    bool killedAtDeadline = false;
    std::string out;
    std::string err;
    std::chrono::duration<double> elapsed{};
};

// Starts `program` with `arguments`, collects both output streams and waits.
Finished run(const std::filesystem::path& program, const std::vector<std::string>& arguments,
             const RunOptions& options = {});

// A long-running process of the test's own, read through its standard
// output and reaped by a thread of its own, so that it is gone (not a zombie)
// as soon as it ends. Killed by its id when the test no longer needs it.
class StartedProcess {
  public:
    StartedProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments);
    ~StartedProcess();
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    pid_t pid() const { return pid_; }
    Clock::time_point startedAt() const { return started_; }

    // Reads standard output until it holds `text` or `timeout` passes.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // Everything read from standard output so far, after reading what is there.
    std::string output();

    // The wait status once the process has ended within `timeout`.
    std::optional<int> waitForEnd(std::chrono::milliseconds timeout);
    std::optional<Clock::time_point> endedAt();

  private:
    void readAvailable(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int out_ = -1;
    std::string collected_;
    Clock::time_point started_;
    std::mutex mutex_;
    std::condition_variable ended_;
    std::optional<int> status_;
    std::optional<Clock::time_point> endedAt_;
    std::thread reaper_;
};

// Makes this test process adopt its orphaned descendants, so that the
// application a launcher starts (and leaves behind) can be reaped here.
void adoptOrphans();

// Waits for an adopted process to end and reaps it.
bool reapAdopted(pid_t pid, std::chrono::milliseconds timeout);

// A process id above the system's maximum: no process can have it, so
// signalling it fails with ESRCH and can never reach anyone.
pid_t pidNoProcessCanHave();

// The "key=value" lines of the report file a launched test application
// writes, once it exists (within `timeout`).
std::optional<std::map<std::string, std::string>> waitForReport(const std::filesystem::path& file,
                                                                std::chrono::milliseconds timeout);

void writeFile(const std::filesystem::path& file, const std::string& content);
std::string readFile(const std::filesystem::path& file);
void copyExecutable(const std::filesystem::path& from, const std::filesystem::path& to);

// A bundle at `bundle` whose Info.plist names `executableName` and whose
// Contents/MacOS holds that executable as a copy of `executable`.
void makeBundle(const std::filesystem::path& bundle, const std::string& executableName,
                const std::filesystem::path& executable);

// An XML property list holding one dictionary with these string values.
std::string xmlInfoPlist(const std::vector<std::pair<std::string, std::string>>& strings);

}  // namespace corvane::harness
