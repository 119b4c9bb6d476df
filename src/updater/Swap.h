#pragma once

#include <filesystem>
#include <optional>

#include "updater/Failure.h"

namespace corvane::updater {

// Where the applications are once a new one has been put in place.
struct Installation {
    std::filesystem::path destination;
    // The application that was installed before; none when there was none.
    std::optional<std::filesystem::path> backup;
    // The same application on the destination's file system, so that it can
    // be put back with one rename: the backup itself, or the original kept
    // beside the destination until the new version has proved itself.
    std::optional<std::filesystem::path> previous;
    // The staged bundle when it was copied rather than moved; it goes once
    // the new version has proved itself or been rolled back.
    std::optional<std::filesystem::path> stagedOriginal;
};

// Puts the bundle at `source` in place of `destination` so that, at every
// instant, `destination` holds one complete application: the old one or the
// new one. Where both lie on one file system that is a single exchange of
// the two folders; otherwise the new bundle is first copied beside
// `destination` and synced, and that copy is exchanged. The previous bundle
// then moves to `backup`; where `backup` lies on another file system, a
// synced copy of the previous bundle is made there before the exchange
// instead. On failure everything is put back as it was and Failure thrown
// (naming where the previous application is, should even that fail).
Installation install(const std::filesystem::path& source, const std::filesystem::path& destination,
                     const std::filesystem::path& backup);

// Once the new version runs: removes what only a roll-back would have needed.
void finish(const Installation& installation);

// Undoes `installation`: the previous application is exchanged back into
// place in one step and the new bundle removed; with no previous
// application the new bundle is just removed. Returns false when the
// previous application could not be put back, after adding to `failure`
// where it is.
bool restore(const Installation& installation, Failure& failure);

}  // namespace corvane::updater
