#include "updater/Replacement.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/linux/bundle/BundleInfo.h"
#include "platform/linux/failedbuilds/FailedBuilds.h"
#include "platform/linux/files/UniqueFd.h"
#include "updater/BackupName.h"
#include "updater/Failure.h"
#include "updater/FileOperations.h"
#include "updater/Swap.h"

namespace corvane::updater {

namespace fs = std::filesystem;

namespace {

// Gives the application a moment to finish handing off before it is asked
// to quit.
constexpr auto kInitialWait = std::chrono::milliseconds(500);

// A new version that ends this soon after its start is taken for broken.
constexpr auto kHealthCheck = std::chrono::seconds(5);

// How long a tool waits for an earlier one to finish: far longer than a
// replacement with its health check takes.
constexpr auto kLockWait = std::chrono::seconds(60);
constexpr auto kLockPoll = std::chrono::milliseconds(100);

// The staged bundle must be a folder (not a link to one) whose executable
// exists. Returns its build number, when its CFBundleVersion is one.
std::optional<std::int64_t> checkStagedBundle(const fs::path& source) {
    struct stat info;
    const auto executable = bundle::bundleExecutable(source);
    if (::lstat(source.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || !executable ||
        ::stat(executable->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        throw Failure(UpdaterError::sourceMissing);
    }
    const auto version = bundle::infoString(source, "CFBundleVersion");
    return version ? failedbuilds::parseDecimal(*version) : std::nullopt;
}

// Two updates in a row overlap when a version this tool has just started
// hands the next release off at once: the later tool would stop that
// version while the earlier one still watches it, and the earlier one
// would take it for broken and roll it back. Every tool therefore holds a
// lock on the backup folder for its whole run, taken before it stops
// anything; the returned descriptor holds it.
files::UniqueFd lockReplacements(const fs::path& backupRoot) {
    createFolders(backupRoot);
    files::UniqueFd folder(::open(backupRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const auto until = std::chrono::steady_clock::now() + kLockWait;
    int error = folder.valid() ? 0 : errno;
    while (error == 0 && ::flock(folder.get(), LOCK_EX | LOCK_NB) != 0) {
        const bool waitOn = errno == EWOULDBLOCK && std::chrono::steady_clock::now() < until;
        error = waitOn ? 0 : errno;
        std::this_thread::sleep_for(waitOn ? kLockPoll : std::chrono::milliseconds(0));
    }
    if (error != 0) {
        throw Failure(SystemError{"cannot lock " + backupRoot.string(), error});
    }
    return folder;
}

// From here on only SIGKILL can end the tool halfway.
void blockTerminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGHUP, SIGINT, SIGTERM, SIGQUIT}) {
        sigaddset(&signals, signal);
    }
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
}

}  // namespace

void replaceApplication(const Arguments& arguments, const Launcher& launcher) {
    // Everything that can fail before the application is stopped fails here,
    // leaving it running. The handle is taken now so that only this process
    // is ever signalled, whatever gets its number later.
    const ProcessHandle previous(arguments.processID);
    if (previous.openError() != 0 && !previous.goneAtStart()) {
        throw Failure(UpdaterError::couldNotStopPreviousProcess);
    }
    const auto build = checkStagedBundle(arguments.source);
    launcher.check();
    for (const auto& folder : {arguments.source.parent_path(), arguments.destination.parent_path(),
                               arguments.backupRoot}) {
        checkWritableFolder(folder);
    }

    const files::UniqueFd lock = lockReplacements(arguments.backupRoot);
    std::this_thread::sleep_for(kInitialWait);
    stopPreviousProcess(previous);

    blockTerminationSignals();
    createFolders(arguments.destination.parent_path());
    createFolders(arguments.backupRoot);
    const Installation installation =
        install(arguments.source, arguments.destination,
                arguments.backupRoot / backupName(timestamp(std::time(nullptr)), newUuidText()));
    Failure failure(UpdaterError::couldNotLaunchReplacement);
    try {
        if (!launcher.launch(arguments.destination).endsWithin(kHealthCheck)) {
            finish(installation);
            return;
        }
    } catch (const Failure& launchFailure) {
        failure = launchFailure;
    }

    // The new version did not start or ended at once. The previous one goes
    // back in place, the build is recorded so that the application never
    // hands it over again, and only then does the previous version start,
    // so that its first update check already knows.
    const bool restored = restore(installation, failure);
    if (build) {
        const int error =
            failedbuilds::recordFailedBuild(arguments.backupRoot / failedbuilds::kFileName, *build);
        if (error) {
            failure.addNote("cannot record the failed build: " + std::string(std::strerror(error)));
        }
    }
    if (restored && installation.backup) {
        try {
            launcher.launch(arguments.destination);
        } catch (const Failure&) {
            failure.addNote("the previous application did not start");
        }
    }
    throw failure;
}

}  // namespace corvane::updater
