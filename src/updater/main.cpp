// CorvaneUpdater --pid PID --source STAGED --destination INSTALLED --backup-root FOLDER
//
// Finishes a self-update: stops the application PID, puts STAGED in place of
// INSTALLED, which becomes a timestamped backup in FOLDER, and starts it
// with the launcher beside this program. Exits 0 when the new application
// runs and is still running 5 seconds later; otherwise writes one line to
// standard error and exits 1. Standard output is never written. Uses no Qt,
// so that it keeps working while the application's files move.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "updater/Arguments.h"
#include "updater/Failure.h"
#include "updater/ProcessControl.h"
#include "updater/Replacement.h"

namespace {

std::optional<std::filesystem::path> currentDirectory() {
    std::error_code error;
    auto path = std::filesystem::current_path(error);
    if (error) {
        return std::nullopt;
    }
    return path;
}

void report(const std::string& description) {
    const std::string line = "Corvane updater failed: " + description + "\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, line.data(), line.size());
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane::updater;
    // Closed standard streams would be taken by the first files opened and
    // receive what was meant for the streams.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0) {
            ::open("/dev/null", O_RDWR);
        }
    }
    // A closed error stream must not turn a failure into a death by signal.
    ::signal(SIGPIPE, SIG_IGN);
    // An inherited "ignore" would let the system reap the launcher before it
    // is waited for, and a successful start would look like a failed one.
    ::signal(SIGCHLD, SIG_DFL);
    // Whatever ends the application's session or process group must not
    // end this tool halfway.
    ::setsid();
    // The started application becomes this tool's child once the launcher
    // exits, so its process id stays taken until this tool is done watching.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    try {
        const Launcher launcher = Launcher::besideThisProgram();
        const std::vector<std::string> entries(argv + (argc > 0 ? 1 : 0), argv + argc);
        const auto arguments = parseArguments(entries, currentDirectory());
        if (!arguments) {
            throw Failure(UpdaterError::invalidArguments);
        }
        replaceApplication(*arguments, launcher);
        return 0;
    } catch (const Failure& failure) {
        report(failure.description());
    } catch (const std::exception& error) {
        report(error.what());
    }
    return 1;
}
