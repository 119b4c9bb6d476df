#pragma once

namespace corvane::updater {

// The replacement tool's own failures, reported by their names. (The update
// engine has a different enumeration of the same name.)
enum class UpdaterError {
    invalidArguments,
    sourceMissing,
    couldNotStopPreviousProcess,
    couldNotLaunchReplacement,
};

constexpr const char* name(UpdaterError error) {
    switch (error) {
        case UpdaterError::invalidArguments:
            return "invalidArguments";
        case UpdaterError::sourceMissing:
            return "sourceMissing";
        case UpdaterError::couldNotStopPreviousProcess:
            return "couldNotStopPreviousProcess";
        case UpdaterError::couldNotLaunchReplacement:
            return "couldNotLaunchReplacement";
    }
    return "unknown";
}

}  // namespace corvane::updater
