#pragma once

#include <filesystem>
#include <string>

namespace corvane::updater {

// The file operations a swap is made of: mkdirat, openat, write, fchmod,
// fsync, symlinkat, renameat2 and unlinkat, each of which can be made to
// fail from outside (strace -e inject) to check the swap.

// True when anything at all is at `path`, a dangling symbolic link included.
bool anythingAt(const std::filesystem::path& path);

// Throws Failure naming `folder` unless it, or the nearest folder above it
// that exists, is a folder this process may change.
void checkWritableFolder(const std::filesystem::path& folder);

// Creates `folder` and every missing folder above it; an existing folder is
// fine. Throws Failure naming the folder.
void createFolders(const std::filesystem::path& folder);

// Swaps the items at `a` and `b` in one step (both must exist). Returns 0 or
// the errno: EXDEV when they lie on different file systems.
int exchange(const std::filesystem::path& a, const std::filesystem::path& b);

// Renames `from` to `to` in one step, never replacing anything at `to`.
// Returns 0 or the errno: EXDEV across file systems.
int moveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes a folder's entries to the disk. A failure is not reported: the
// renames it follows have taken effect either way.
void syncFolder(const std::filesystem::path& folder);

// A hidden name beside `item` that nothing uses yet, such as
// ".Corvane.app.incoming-1A2B3C4D" for the tag "incoming".
std::filesystem::path hiddenSibling(const std::filesystem::path& item, const std::string& tag);

// Copies the folder `from` to a new hidden folder beside `item` (symbolic
// links as links, permission bits kept, special files refused), syncs every
// file and folder of the copy, and returns its path. On failure the partial
// copy is removed and Failure thrown.
std::filesystem::path copyBeside(const std::filesystem::path& from,
                                 const std::filesystem::path& item);

// Removes `path` with all it holds; a symbolic link is removed, not followed.
// Returns 0 or the errno of the first failure.
int removeTree(const std::filesystem::path& path);

// Takes `item` out of sight with one rename to a hidden sibling, then
// removes it, so that an interruption never leaves half an item under its
// name. Failures leave the item (whole, or hidden) where it is.
void discard(const std::filesystem::path& item);

}  // namespace corvane::updater
