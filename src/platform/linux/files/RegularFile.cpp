#include "platform/linux/files/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace corvane::files {

namespace {

class FileFaultCategory : public std::error_category {
  public:
    const char* name() const noexcept override { return "corvane.files"; }
    std::string message(int value) const override {
        switch (static_cast<FileFault>(value)) {
            case FileFault::notRegularFile:
                return "not a regular file";
            case FileFault::tooLarge:
                return "file too large";
        }
        return "unknown file fault";
    }
};

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// Copies with copy_file_range where the kernel can, in slices, so that a
// stop request is seen between them.
std::error_code copyContent(int from, int to, const std::stop_token& stop) {
    constexpr std::size_t kSlice = 8 * 1024 * 1024;
    bool kernelCopy = true;
    std::string buffer;
    while (true) {
        if (stop.stop_requested()) {
            return std::make_error_code(std::errc::operation_canceled);
        }
        ssize_t copied = -1;
        if (kernelCopy) {
            copied = ::copy_file_range(from, nullptr, to, nullptr, kSlice, 0);
            if (copied < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;
                continue;
            }
        } else {
            buffer.resize(1024 * 1024);
            copied = ::read(from, buffer.data(), buffer.size());
            for (ssize_t written = 0; copied > 0 && written < copied;) {
                const ssize_t now = ::write(to, buffer.data() + written,
                                            static_cast<std::size_t>(copied - written));
                if (now < 0 && errno != EINTR) {
                    return lastError();
                }
                written += now < 0 ? 0 : now;
            }
        }
        if (copied == 0) {
            return {};
        }
        if (copied < 0 && errno != EINTR) {
            return lastError();
        }
    }
}

}  // namespace

std::error_code make_error_code(FileFault fault) {
    static const FileFaultCategory category;
    return {static_cast<int>(fault), category};
}

std::variant<UniqueFd, std::error_code> openRegularFile(const std::filesystem::path& path) {
    // O_PATH looks the file up without opening it for reading; only a
    // regular file is then opened again, through the same inode.
    UniqueFd located(::open(path.c_str(), O_PATH | O_CLOEXEC));
    if (!located.valid()) {
        return lastError();
    }
    struct stat status {};
    if (::fstat(located.get(), &status) != 0) {
        return lastError();
    }
    if (!S_ISREG(status.st_mode)) {
        return make_error_code(FileFault::notRegularFile);
    }
    const std::string reopen = "/proc/self/fd/" + std::to_string(located.get());
    UniqueFd readable(::open(reopen.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!readable.valid()) {
        return lastError();
    }
    return readable;
}

std::variant<std::string, std::error_code> readRegularFile(const std::filesystem::path& path,
                                                           std::size_t maxBytes) {
    auto opened = openRegularFile(path);
    if (const auto* error = std::get_if<std::error_code>(&opened)) {
        return *error;
    }
    const int fd = std::get<UniqueFd>(opened).get();
    std::string content;
    char buffer[64 * 1024];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        if (got == 0) {
            return content;
        }
        // The size is counted while reading: a file that grows after a
        // size check must not slip past the limit.
        if (content.size() + static_cast<std::size_t>(got) > maxBytes) {
            return make_error_code(FileFault::tooLarge);
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

std::error_code copyRegularFile(const std::filesystem::path& from, const std::filesystem::path& to,
                                std::stop_token stop) {
    auto opened = openRegularFile(from);
    if (const auto* error = std::get_if<std::error_code>(&opened)) {
        return *error;
    }
    UniqueFd target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!target.valid()) {
        return lastError();
    }
    std::error_code error = copyContent(std::get<UniqueFd>(opened).get(), target.get(), stop);
    // A failed close can be the first report of a failed write.
    if (::close(target.release()) != 0 && !error) {
        error = lastError();
    }
    if (error) {
        ::unlink(to.c_str());
    }
    return error;
}

}  // namespace corvane::files
