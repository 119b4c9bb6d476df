#include "updater/FileOperations.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/linux/files/UniqueFd.h"
#include "updater/BackupName.h"
#include "updater/Failure.h"

namespace corvane::updater {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCopyBufferBytes = 256 * 1024;

// The names in an open folder, read before anything in it changes.
int namesIn(int folder, std::vector<std::string>& names) {
    DIR* dir = ::fdopendir(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!dir) {
        return errno;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

int openFolderAt(int parent, const char* name) {
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int copyFileContent(int from, int to, std::vector<char>& buffer) {
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0 ? 0 : errno;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put =
                ::write(to, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (put == 0 || (put < 0 && errno != EINTR)) {
                return put == 0 ? EIO : errno;
            }
            written += put > 0 ? put : 0;
        }
    }
}

// Gives a finished copy its permission bits (only the plain ones: nothing
// set-id survives a copy) and writes it to the disk.
int completeCopy(int copy, mode_t mode) {
    return ::fchmod(copy, mode & 0777) == 0 && ::fsync(copy) == 0 ? 0 : errno;
}

int copyEntry(int fromFolder, int toFolder, const std::string& name, std::vector<char>& buffer);

int copyContents(int fromFolder, int toFolder, std::vector<char>& buffer) {
    std::vector<std::string> names;
    int error = namesIn(fromFolder, names);
    for (std::size_t i = 0; !error && i < names.size(); ++i) {
        error = copyEntry(fromFolder, toFolder, names[i], buffer);
    }
    return error;
}

int copyEntry(int fromFolder, int toFolder, const std::string& name, std::vector<char>& buffer) {
    struct stat info;
    if (::fstatat(fromFolder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        if (::mkdirat(toFolder, name.c_str(), 0700) != 0) {
            return errno;
        }
        const files::UniqueFd from(openFolderAt(fromFolder, name.c_str()));
        const files::UniqueFd to(openFolderAt(toFolder, name.c_str()));
        if (!from.valid() || !to.valid()) {
            return errno;
        }
        const int error = copyContents(from.get(), to.get(), buffer);
        return error ? error : completeCopy(to.get(), info.st_mode);
    }
    if (S_ISREG(info.st_mode)) {
        const files::UniqueFd from(
            ::openat(fromFolder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!from.valid()) {
            return errno;
        }
        const files::UniqueFd to(::openat(
            toFolder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!to.valid()) {
            return errno;
        }
        const int error = copyFileContent(from.get(), to.get(), buffer);
        return error ? error : completeCopy(to.get(), info.st_mode);
    }
    if (S_ISLNK(info.st_mode)) {
        std::vector<char> target(static_cast<std::size_t>(info.st_size) + 1);
        const ssize_t length = ::readlinkat(fromFolder, name.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            return length < 0 ? errno : EIO;  // the link changed while it was read
        }
        target[static_cast<std::size_t>(length)] = '\0';
        return ::symlinkat(target.data(), toFolder, name.c_str()) == 0 ? 0 : errno;
    }
    return ENOTSUP;  // a bundle holds no FIFOs, sockets or devices
}

int removeContents(int folder);

int removeEntry(int folder, const char* name) {
    struct stat info;
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        const files::UniqueFd inner(openFolderAt(folder, name));
        if (!inner.valid()) {
            return errno;
        }
        if (const int error = removeContents(inner.get())) {
            return error;
        }
    }
    return ::unlinkat(folder, name, S_ISDIR(info.st_mode) ? AT_REMOVEDIR : 0) == 0 ? 0 : errno;
}

int removeContents(int folder) {
    std::vector<std::string> names;
    int error = namesIn(folder, names);
    for (std::size_t i = 0; !error && i < names.size(); ++i) {
        error = removeEntry(folder, names[i].c_str());
    }
    return error;
}

}  // namespace

bool anythingAt(const fs::path& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

void checkWritableFolder(const fs::path& folder) {
    // A missing folder will be made in the nearest one that exists.
    fs::path existing = folder;
    struct stat info;
    int error = 0;
    while ((error = ::stat(existing.c_str(), &info) == 0 ? 0 : errno) == ENOENT &&
           existing.has_relative_path()) {
        existing = existing.parent_path();
    }
    if (!error && !S_ISDIR(info.st_mode)) {
        error = ENOTDIR;
    }
    if (!error && ::faccessat(AT_FDCWD, existing.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        error = errno;
    }
    if (error) {
        throw Failure(SystemError{"cannot write in " + folder.string(), error});
    }
}

void createFolders(const fs::path& folder) {
    fs::path partial;
    for (const auto& part : folder) {
        partial /= part;
        struct stat info;
        if (::stat(partial.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            continue;
        }
        if (::mkdirat(AT_FDCWD, partial.c_str(), 0777) != 0) {
            throw Failure(SystemError{"cannot create the folder " + folder.string(), errno});
        }
    }
}

int exchange(const fs::path& a, const fs::path& b) {
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
}

int moveWithoutReplacing(const fs::path& from, const fs::path& to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0
                                                                                            : errno;
}

void syncFolder(const fs::path& folder) {
    const files::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

fs::path hiddenSibling(const fs::path& item, const std::string& tag) {
    std::string name = item.filename().string();
    if (name.rfind('.', 0) != 0) {
        name.insert(0, ".");
    }
    for (;;) {
        fs::path candidate =
            item.parent_path() / (name + "." + tag + "-" + newUuidText().substr(0, 8));
        if (!anythingAt(candidate)) {
            return candidate;
        }
    }
}

fs::path copyBeside(const fs::path& from, const fs::path& item) {
    const fs::path copy = hiddenSibling(item, "incoming");
    const auto failed = [&](int error) {
        return Failure(SystemError{"cannot copy " + from.string() + " to " + copy.string(), error});
    };
    const files::UniqueFd source(openFolderAt(AT_FDCWD, from.c_str()));
    struct stat info;
    if (!source.valid() || ::fstat(source.get(), &info) != 0) {
        throw failed(errno);
    }
    if (::mkdirat(AT_FDCWD, copy.c_str(), 0700) != 0) {
        throw failed(errno);
    }
    std::vector<char> buffer(kCopyBufferBytes);
    const files::UniqueFd target(openFolderAt(AT_FDCWD, copy.c_str()));
    int error = target.valid() ? copyContents(source.get(), target.get(), buffer) : errno;
    if (!error) {
        error = completeCopy(target.get(), info.st_mode);
    }
    if (error) {
        removeTree(copy);
        throw failed(error);
    }
    syncFolder(copy.parent_path());
    return copy;
}

int removeTree(const fs::path& path) {
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const files::UniqueFd folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.valid() ? removeEntry(folder.get(), path.filename().c_str()) : errno;
}

void discard(const fs::path& item) {
    const fs::path hidden = hiddenSibling(item, "discarded");
    if (moveWithoutReplacing(item, hidden) == 0) {
        removeTree(hidden);
    }
}

}  // namespace corvane::updater
