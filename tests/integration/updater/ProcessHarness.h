#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Runs the built programs and the processes they act on. Everything started
// here is stopped by its own process id and reaped; nothing is found or
// signalled by name.
namespace corvane::harness {

// A fresh folder in the system's temporary folder, removed with everything
// in it at the end.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

struct RunOptions {
    // Added to (or replacing in) the test's own environment, through env(1).
    std::vector<std::pair<std::string, std::string>> environment = {};
};

struct Finished {
    int exitCode = -1;  // -1 when a signal ended the program
    std::string out;
    std::string err;
    std::chrono::duration<double> elapsed{};
};

// Runs `command` (an absolute program path, then its arguments) and waits
// for it to exit.
Finished run(const std::vector<std::string>& command, const RunOptions& options = {});

// A shell standing in for the running Corvane, ready once made ("obey":
// SIGTERM ends it; "stubborn": it writes "T" for each SIGTERM and stays). It is never reaped before the end, so that once it has ended it
// stays a zombie and its process id cannot go to another process.
class Application {
  public:
    explicit Application(const char* mode);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    pid_t pid() const { return pid_; }
    std::string output() const;
    // The signal that ended it, 0 while it runs (it is left unreaped).
    int endedBySignal() const;

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// Makes this test process adopt its orphaned descendants, so that the
// applications that launchers start (and leave behind) can be reaped here.
void adoptOrphans();

// A process id above the system's maximum: no process can have it.
pid_t pidNoProcessCanHave();

// The "key=value" lines of the report file a started test application
// writes, once it exists (within `timeout`).
std::optional<std::map<std::string, std::string>> waitForReport(const std::filesystem::path& file,
                                                                std::chrono::milliseconds timeout);

void writeFile(const std::filesystem::path& file, const std::string& content);
std::string readFile(const std::filesystem::path& file);  // empty when missing
void copyExecutable(const std::filesystem::path& from, const std::filesystem::path& to);

// An XML property list holding one dictionary with these string values.
std::string xmlInfoPlist(const std::vector<std::pair<std::string, std::string>>& strings);

// Everything below a folder: relative path → type, permission bits and a
// content fingerprint (or link target). Equal snapshots mean byte-identical
// trees; a missing folder gives an empty snapshot.
using Tree = std::map<std::string, std::string>;
Tree snapshot(const std::filesystem::path& root);

// A bundle of build `build` with a few resources and a symbolic link, whose
// executable is a shell script. Unless `body` replaces it, the script writes
// its build to a file named after its process id in the folder
// $CORVANE_TEST_REPORTS and then stays for 8 seconds.
void makeScriptBundle(const std::filesystem::path& bundle, const std::string& build,
                      const std::string& body = {});

// The builds started from script bundles, by process id, once at least
// `count` have reported in `folder` (or `timeout` has passed).
std::map<pid_t, std::string> startedApplications(const std::filesystem::path& folder,
                                                 std::size_t count,
                                                 std::chrono::milliseconds timeout);

// Kills and reaps every started application that reported in `folder`.
void stopStartedApplications(const std::filesystem::path& folder);

}  // namespace corvane::harness
