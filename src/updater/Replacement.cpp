#include "updater/Replacement.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "updater/BackupName.h"
#include "updater/Failure.h"
#include "updater/FileOperations.h"

namespace corvane::updater {

namespace {

// Gives the application a moment to finish handing off before it is asked
// to quit.
constexpr auto kInitialWait = std::chrono::milliseconds(500);

}  // namespace

void replaceApplication(const Arguments& arguments, const Launcher& launcher) {
    std::this_thread::sleep_for(kInitialWait);
    stopPreviousProcess(arguments.processID);

    if (!existsFollowingLinks(arguments.source)) {
        throw Failure(UpdaterError::sourceMissing);
    }
    if (auto error = createFolders(arguments.destination.parent_path())) {
        throw Failure(*error);
    }
    if (auto error = createFolders(arguments.backupRoot)) {
        throw Failure(*error);
    }

    const auto backup =
        arguments.backupRoot / backupName(timestamp(std::time(nullptr)), newUuidText());
    const bool hadInstalledBundle = anythingAt(arguments.destination);
    if (hadInstalledBundle) {
        const MoveOutcome aside = moveItem(arguments.destination, backup);
        if (aside.error) {
            throw Failure(*aside.error);
        }
    }

    const MoveOutcome intoPlace = moveItem(arguments.source, arguments.destination);
    std::optional<Failure> failure;
    if (intoPlace.error) {
        failure = Failure(*intoPlace.error);
    } else {
        try {
            launcher.launch(arguments.destination);
        } catch (const Failure& launchFailure) {
            failure = launchFailure;
        }
    }
    if (!failure) {
        return;
    }

    // Undo as far as possible; the first failure is what gets reported. Only
    // what this run put at the destination is removed there.
    if (intoPlace.arrived) {
        removeItem(arguments.destination);
    }
    if (hadInstalledBundle && anythingAt(backup)) {
        moveItem(backup, arguments.destination);
    }
    throw *failure;
}

}  // namespace corvane::updater
