#include "updater/Swap.h"

#include <sys/stat.h>

#include <cerrno>

#include "updater/Failure.h"
#include "updater/FileOperations.h"

namespace corvane::updater {

namespace fs = std::filesystem;

namespace {

std::string previousAt(const fs::path& place) {
    return "the previous application is at " + place.string();
}

Failure cannotMove(const fs::path& from, const fs::path& to, int error) {
    return Failure(SystemError{"cannot move " + from.string() + " to " + to.string(), error});
}

bool onOneFileSystem(const fs::path& a, const fs::path& b) {
    struct stat first;
    struct stat second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

// Puts a synced copy of `from` at `backup`. Returns 0 or the errno.
int copyToBackup(const fs::path& from, const fs::path& backup) {
    try {
        const fs::path copy = copyBeside(from, backup);
        const int error = moveWithoutReplacing(copy, backup);
        if (error) {
            discard(copy);
        } else {
            syncFolder(backup.parent_path());
        }
        return error;
    } catch (const Failure& failure) {
        return std::get<SystemError>(failure.cause()).code;
    }
}

// Puts `source` in place of `destination` (exchanging them when `exchanged`,
// else where nothing is). Returns where the item from `destination` is now:
// `source` itself, or, across file systems, the synced copy beside
// `destination` that was put in place.
fs::path putInPlace(const fs::path& source, const fs::path& destination, bool exchanged,
                    Installation& installation) {
    const auto rename = [&](const fs::path& item) {
        return exchanged ? exchange(item, destination) : moveWithoutReplacing(item, destination);
    };
    int error = rename(source);
    if (error == EXDEV) {
        const fs::path copy = copyBeside(source, destination);
        if ((error = rename(copy)) != 0) {
            discard(copy);
            throw cannotMove(source, destination, error);
        }
        installation.stagedOriginal = source;
        return copy;
    }
    if (error) {
        throw cannotMove(source, destination, error);
    }
    return source;
}

}  // namespace

Installation install(const fs::path& source, const fs::path& destination, const fs::path& backup) {
    Installation installation{destination, std::nullopt, std::nullopt, std::nullopt};
    const bool hadPrevious = anythingAt(destination);
    // A backup on another file system is copied while the previous
    // application is still installed, so that little is left to do once the
    // new one is in place.
    const bool backedUpFirst =
        hadPrevious && !onOneFileSystem(destination.parent_path(), backup.parent_path());
    if (backedUpFirst) {
        if (const int error = copyToBackup(destination, backup)) {
            throw cannotMove(destination, backup, error);
        }
    }
    fs::path aside;
    try {
        aside = putInPlace(source, destination, hadPrevious, installation);
    } catch (const Failure&) {
        if (backedUpFirst) {
            discard(backup);
        }
        throw;
    }
    syncFolder(destination.parent_path());
    syncFolder(aside.parent_path());
    if (!hadPrevious) {
        return installation;
    }

    installation.backup = backup;
    installation.previous = backedUpFirst ? aside : backup;
    if (backedUpFirst) {
        return installation;
    }
    int error = moveWithoutReplacing(aside, backup);
    if (error == EXDEV) {  // one device, but two mounts of it
        error = copyToBackup(aside, backup);
        installation.previous = aside;
    }
    if (error) {
        // Back the way it came: the previous application into place, the
        // new bundle to where it was.
        Failure failure = cannotMove(aside, backup, error);
        if (exchange(aside, destination) != 0) {
            failure.addNote(previousAt(aside));
            throw failure;
        }
        syncFolder(destination.parent_path());
        if (installation.stagedOriginal) {
            discard(aside);
        }
        throw failure;
    }
    syncFolder(backup.parent_path());
    syncFolder(aside.parent_path());
    return installation;
}

void finish(const Installation& installation) {
    if (installation.previous != installation.backup) {
        discard(*installation.previous);
    }
    if (installation.stagedOriginal) {
        discard(*installation.stagedOriginal);
    }
}

bool restore(const Installation& installation, Failure& failure) {
    const fs::path& destination = installation.destination;
    if (installation.previous && exchange(*installation.previous, destination) != 0) {
        failure.addNote(previousAt(*installation.backup));
        return false;
    }
    syncFolder(destination.parent_path());
    // Now the new bundle, wherever the previous one came from.
    discard(installation.previous.value_or(destination));
    if (installation.previous != installation.backup) {
        discard(*installation.backup);  // a copy of what is installed again
    }
    if (installation.stagedOriginal) {
        discard(*installation.stagedOriginal);
    }
    return true;
}

}  // namespace corvane::updater
