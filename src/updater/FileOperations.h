#pragma once

#include <filesystem>
#include <optional>

#include "updater/Failure.h"

namespace corvane::updater {

// True when `path` names something, following symbolic links.
bool existsFollowingLinks(const std::filesystem::path& path);

// True when anything at all is at `path`, a dangling symbolic link included.
bool anythingAt(const std::filesystem::path& path);

struct MoveOutcome {
    std::optional<SystemError> error;
    // True when the item is complete at its new place, which can happen
    // beside an error: copied across file systems but the original could not
    // be removed.
    bool arrived = false;
};

// Moves `from` to `to`, never replacing anything already at `to`. Across
// file systems the item is copied (symbolic links as links, permissions
// kept) and then removed; a failed copy removes what it made.
MoveOutcome moveItem(const std::filesystem::path& from, const std::filesystem::path& to);

// Creates `folder` and every missing folder above it; an existing folder is fine.
std::optional<SystemError> createFolders(const std::filesystem::path& folder);

// Removes `path` with all it holds; a symbolic link is removed, not followed.
std::optional<SystemError> removeItem(const std::filesystem::path& path);

}  // namespace corvane::updater
