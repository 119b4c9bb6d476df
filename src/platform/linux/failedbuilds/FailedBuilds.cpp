#include "platform/linux/failedbuilds/FailedBuilds.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "platform/linux/files/UniqueFd.h"

namespace corvane::failedbuilds {

namespace {

constexpr std::size_t kMaxReadBytes = 64 * 1024;

std::string readStart(const std::filesystem::path& file) {
    // Non-blocking, so that a FIFO put in the record's place cannot stall the reader.
    const files::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info;
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    std::string text(kMaxReadBytes, '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const ssize_t got = ::read(fd.get(), text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    return text;
}

int writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t got = ::write(fd, text.data() + written, text.size() - written);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return errno;
        }
        written += static_cast<std::size_t>(got);
    }
    return 0;
}

int syncFolder(const std::filesystem::path& folder) {
    const files::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) {
        return errno;
    }
    return ::fsync(fd.get()) == 0 ? 0 : errno;
}

}  // namespace

std::optional<std::int64_t> parseDecimal(std::string_view text) {
    const std::size_t start = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (text.size() == start ||
        !std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    // from_chars takes a "-" but not a "+".
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const char* last = text.data() + text.size();
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::int64_t> parse(std::string_view text) {
    std::vector<std::int64_t> builds;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (const auto build = parseDecimal(text.substr(0, end))) {
            builds.push_back(*build);
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return builds;
}

std::string format(const std::vector<std::int64_t>& builds) {
    std::string text;
    for (const std::int64_t build : builds) {
        text += std::to_string(build) + "\n";
    }
    return text;
}

std::set<std::int64_t> readFailedBuilds(const std::filesystem::path& file) {
    const auto builds = parse(readStart(file));
    return {builds.begin(), builds.end()};
}

int recordFailedBuild(const std::filesystem::path& file, std::int64_t build) {
    auto builds = parse(readStart(file));
    builds.erase(std::remove(builds.begin(), builds.end(), build), builds.end());
    builds.push_back(build);
    if (builds.size() > kMaxEntries) {
        builds.erase(builds.begin(), builds.end() - static_cast<std::ptrdiff_t>(kMaxEntries));
    }

    // Only the replacement tool writes the record, one run at a time, so a
    // fixed temporary name is enough; one left by a killed run is overwritten.
    const std::filesystem::path partial = file.string() + ".partial";
    int error = 0;
    {
        const files::UniqueFd fd(
            ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd.get() < 0) {
            return errno;
        }
        error = writeAll(fd.get(), format(builds));
        if (!error && ::fsync(fd.get()) != 0) {
            error = errno;
        }
    }
    if (!error && ::renameat2(AT_FDCWD, partial.c_str(), AT_FDCWD, file.c_str(), 0) != 0) {
        error = errno;
    }
    if (error) {
        ::unlinkat(AT_FDCWD, partial.c_str(), 0);
        return error;
    }
    return syncFolder(file.parent_path());
}

}  // namespace corvane::failedbuilds
