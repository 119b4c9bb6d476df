#include "platform/linux/archive/ZipArchive.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/linux/files/LinkTarget.h"
#include "platform/linux/files/OneLine.h"
#include "platform/linux/files/RegularFile.h"

namespace corvane::archive {

namespace fs = std::filesystem;

namespace {

struct ReaderDeleter {
    void operator()(struct archive* reader) const { archive_read_free(reader); }
};
struct WriterDeleter {
    void operator()(struct archive* writer) const { archive_write_free(writer); }
};
struct EntryDeleter {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};
using Reader = std::unique_ptr<struct archive, ReaderDeleter>;
using Writer = std::unique_ptr<struct archive, WriterDeleter>;
using Entry = std::unique_ptr<archive_entry, EntryDeleter>;

UnpackProblem problem(UnpackProblem::Kind kind, std::string entry, std::string detail = {}) {
    return UnpackProblem{kind, std::move(entry), std::move(detail)};
}

std::string errorText(struct archive* handle) {
    const char* text = archive_error_string(handle);
    return text ? text : "unknown error";
}

// The entry's name as components without empty and "." ones.
std::vector<std::string> components(const std::string& name) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        std::string part = name.substr(start, slash - start);
        if (!part.empty() && part != ".") {
            result.push_back(std::move(part));
        }
        start = slash + 1;
    }
    return result;
}

std::string joined(std::vector<std::string>::const_iterator from,
                   std::vector<std::string>::const_iterator to) {
    std::string path;
    for (auto part = from; part != to; ++part) {
        path += (path.empty() ? "" : "/") + *part;
    }
    return path;
}

// Why an entry may not be unpacked, before anything of it is written.
std::optional<UnpackProblem> refusal(archive_entry* entry, const std::string& name,
                                     const std::vector<std::string>& parts) {
    if (name.front() == '/') {
        return problem(UnpackProblem::Kind::absolutePath, name);
    }
    if (parts.empty()) {
        return problem(UnpackProblem::Kind::unreadable, name, "empty name");
    }
    if (std::find(parts.begin(), parts.end(), "..") != parts.end()) {
        return problem(UnpackProblem::Kind::parentReference, name);
    }
    const auto type = archive_entry_filetype(entry);
    if (archive_entry_hardlink(entry) != nullptr ||
        (type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK)) {
        return problem(UnpackProblem::Kind::unsupportedType, name);
    }
    if (type == AE_IFLNK) {
        const char* target = archive_entry_symlink(entry);
        // The link's place inside its top-level item decides how far it may climb.
        if (!target || !files::linkStaysInside(joined(parts.begin() + 1, parts.end()), target)) {
            return problem(UnpackProblem::Kind::linkOutside, name, target ? target : "");
        }
    }
    return std::nullopt;
}

std::optional<UnpackProblem> copyData(struct archive* reader, struct archive* writer,
                                      const std::string& name, std::uint64_t& total,
                                      const UnpackLimits& limits, const std::stop_token& stop) {
    const void* block = nullptr;
    std::size_t size = 0;
    la_int64_t offset = 0;
    int status;
    while ((status = archive_read_data_block(reader, &block, &size, &offset)) == ARCHIVE_OK) {
        // Counted as unpacked, not as the archive claims, so that a
        // compression bomb stops at the limit.
        total += size;
        if (total > limits.maxBytes) {
            return problem(UnpackProblem::Kind::tooLarge, name);
        }
        if (stop.stop_requested()) {
            return problem(UnpackProblem::Kind::stopped, name);
        }
        if (archive_write_data_block(writer, block, size, offset) < ARCHIVE_OK) {
            return problem(UnpackProblem::Kind::writeFailed, name, errorText(writer));
        }
    }
    if (status != ARCHIVE_EOF) {
        return problem(UnpackProblem::Kind::unreadable, name, errorText(reader));
    }
    return std::nullopt;
}

std::optional<std::string> addEntry(struct archive* writer, const fs::path& item,
                                    const std::string& name) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(item, error);
    if (error) {
        return item.string() + ": " + error.message();
    }
    const Entry entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), name.c_str());
    archive_entry_set_perm(entry.get(), static_cast<mode_t>(status.permissions()) & 07777);
    files::UniqueFd content;
    switch (status.type()) {
        case fs::file_type::directory:
            archive_entry_set_filetype(entry.get(), AE_IFDIR);
            break;
        case fs::file_type::symlink: {
            const fs::path target = fs::read_symlink(item, error);
            if (error) {
                return item.string() + ": " + error.message();
            }
            archive_entry_set_filetype(entry.get(), AE_IFLNK);
            archive_entry_set_symlink(entry.get(), target.c_str());
            break;
        }
        case fs::file_type::regular: {
            auto opened = files::openRegularFile(item);
            if (const auto* failure = std::get_if<std::error_code>(&opened)) {
                return item.string() + ": " + failure->message();
            }
            content = std::get<files::UniqueFd>(std::move(opened));
            struct stat info {};
            if (::fstat(content.get(), &info) != 0) {
                return item.string() + ": cannot be read";
            }
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_size(entry.get(), info.st_size);
            break;
        }
        default:
            return item.string() + ": neither a folder, a file nor a symbolic link";
    }
    if (archive_write_header(writer, entry.get()) < ARCHIVE_OK) {
        return name + ": " + errorText(writer);
    }
    std::vector<char> buffer(content.valid() ? 256 * 1024 : 0);
    while (content.valid()) {
        const ssize_t got = ::read(content.get(), buffer.data(), buffer.size());
        if (got < 0) {
            return item.string() + ": " + std::generic_category().message(errno);
        }
        if (got == 0) {
            break;
        }
        if (archive_write_data(writer, buffer.data(), static_cast<std::size_t>(got)) != got) {
            return name + ": " + errorText(writer);
        }
    }
    return std::nullopt;
}

}  // namespace

std::string UnpackProblem::describe() const {
    static const char* const kTexts[] = {
        "unreadable archive",     "absolute entry",        "entry with \"..\"",
        "unsupported entry type", "link outside its item", "archive too large when unpacked",
        "too many entries",       "cannot be written",     "stopped"};
    std::string line = kTexts[static_cast<int>(kind)];
    if (!entry.empty()) {
        line += ": " + entry;
    }
    if (!detail.empty()) {
        line += " (" + detail + ")";
    }
    return files::oneLine(line);
}

std::optional<UnpackProblem> unpackZip(const fs::path& archive, const fs::path& folder,
                                       const UnpackLimits& limits, std::stop_token stop) {
    auto opened = files::openRegularFile(archive);
    if (const auto* failure = std::get_if<std::error_code>(&opened)) {
        return problem(UnpackProblem::Kind::unreadable, {}, failure->message());
    }
    // libarchive refuses to write through any symbolic link on an entry's
    // path, the destination's own included, so the destination is named
    // without links.
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) {
        return problem(UnpackProblem::Kind::writeFailed, {}, error.message());
    }
    const Reader reader(archive_read_new());
    const Writer writer(archive_write_disk_new());
    if (!reader || !writer) {
        return problem(UnpackProblem::Kind::unreadable, {}, "out of memory");
    }
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_fd(reader.get(), std::get<files::UniqueFd>(opened).get(), 64 * 1024) !=
        ARCHIVE_OK) {
        return problem(UnpackProblem::Kind::unreadable, {}, errorText(reader.get()));
    }
    // Names are checked here before they are joined to the destination;
    // libarchive checks again for ".." and for links on the way.
    archive_write_disk_set_options(
        writer.get(), ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                          ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_NO_OVERWRITE);

    std::uint64_t count = 0;
    std::uint64_t total = 0;
    while (true) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) {
            break;
        }
        if (status < ARCHIVE_WARN) {
            return problem(UnpackProblem::Kind::unreadable, {}, errorText(reader.get()));
        }
        const char* rawName = archive_entry_pathname(entry);
        const std::string name = rawName ? rawName : "";
        if (stop.stop_requested()) {
            return problem(UnpackProblem::Kind::stopped, name);
        }
        if (++count > limits.maxEntries) {
            return problem(UnpackProblem::Kind::tooManyEntries, name);
        }
        const auto parts = components(name);
        if (name.empty()) {
            return problem(UnpackProblem::Kind::unreadable, name, "an entry without a name");
        }
        if (auto refused = refusal(entry, name, parts)) {
            return refused;
        }
        const std::string destination = (root / joined(parts.begin(), parts.end())).string();
        archive_entry_copy_pathname(entry, destination.c_str());
        archive_entry_set_perm(entry, archive_entry_perm(entry) & ~(S_ISUID | S_ISGID));
        if (archive_entry_filetype(entry) == AE_IFREG && archive_entry_size_is_set(entry)) {
            // A file that claims more than is left of the bound is refused
            // before it is made: the disk writer extends a file cut short to
            // the size its entry claims, so no file may claim past the bound.
            const la_int64_t claimed = archive_entry_size(entry);
            if (claimed < 0 || static_cast<std::uint64_t>(claimed) > limits.maxBytes - total) {
                return problem(UnpackProblem::Kind::tooLarge, name);
            }
        }
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN) {
            return problem(UnpackProblem::Kind::writeFailed, name, errorText(writer.get()));
        }
        if (archive_entry_filetype(entry) == AE_IFREG) {
            if (auto failure = copyData(reader.get(), writer.get(), name, total, limits, stop)) {
                return failure;
            }
        }
        if (archive_write_finish_entry(writer.get()) < ARCHIVE_WARN) {
            return problem(UnpackProblem::Kind::writeFailed, name, errorText(writer.get()));
        }
    }
    // Closing sets the folders' own permissions, deferred until their
    // content was written.
    if (archive_write_close(writer.get()) < ARCHIVE_WARN) {
        return problem(UnpackProblem::Kind::writeFailed, {}, errorText(writer.get()));
    }
    return std::nullopt;
}

std::optional<std::string> createZip(const fs::path& source, const std::string& topName,
                                     const fs::path& output) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(source, error))) {
        return source.string() + " is not a folder";
    }
    std::vector<fs::path> items;
    fs::recursive_directory_iterator walk(source, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        items.push_back(walk->path());
    }
    if (error) {
        return source.string() + ": " + error.message();
    }
    std::sort(items.begin(), items.end());

    const Writer writer(archive_write_new());
    if (!writer || archive_write_set_format_zip(writer.get()) != ARCHIVE_OK ||
        archive_write_zip_set_compression_deflate(writer.get()) != ARCHIVE_OK ||
        archive_write_open_filename(writer.get(), output.c_str()) != ARCHIVE_OK) {
        return output.string() + ": " + (writer ? errorText(writer.get()) : "out of memory");
    }
    if (auto failure = addEntry(writer.get(), source, topName)) {
        return failure;
    }
    for (const fs::path& item : items) {
        const std::string name = topName + "/" + item.lexically_relative(source).generic_string();
        if (auto failure = addEntry(writer.get(), item, name)) {
            return failure;
        }
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK) {
        return output.string() + ": " + errorText(writer.get());
    }
    return std::nullopt;
}

}  // namespace corvane::archive
