#include "updater/FileOperations.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace corvane::updater {

namespace fs = std::filesystem;

bool existsFollowingLinks(const fs::path& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool anythingAt(const fs::path& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

namespace {

MoveOutcome copyThenRemove(const fs::path& from, const fs::path& to, const std::string& action) {
    if (anythingAt(to)) {
        return {SystemError{action, EEXIST}, false};
    }
    std::error_code error;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    if (error) {
        std::error_code ignored;
        fs::remove_all(to, ignored);
        return {SystemError{action, error.value()}, false};
    }
    fs::remove_all(from, error);
    if (error) {
        return {SystemError{"copied " + from.string() + " to " + to.string() +
                                " but cannot remove the original",
                            error.value()},
                true};
    }
    return {std::nullopt, true};
}

}  // namespace

MoveOutcome moveItem(const fs::path& from, const fs::path& to) {
    const std::string action = "cannot move " + from.string() + " to " + to.string();
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {std::nullopt, true};
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // Some file systems cannot refuse to replace atomically; check first.
        if (anythingAt(to)) {
            return {SystemError{action, EEXIST}, false};
        }
        if (::rename(from.c_str(), to.c_str()) == 0) {
            return {std::nullopt, true};
        }
        error = errno;
    }
    if (error == EXDEV) {
        return copyThenRemove(from, to, action);
    }
    return {SystemError{action, error}, false};
}

std::optional<SystemError> createFolders(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return SystemError{"cannot create the folder " + folder.string(), error.value()};
    }
    return std::nullopt;
}

std::optional<SystemError> removeItem(const fs::path& path) {
    std::error_code error;
    fs::remove_all(path, error);
    if (error) {
        return SystemError{"cannot remove " + path.string(), error.value()};
    }
    return std::nullopt;
}

}  // namespace corvane::updater
