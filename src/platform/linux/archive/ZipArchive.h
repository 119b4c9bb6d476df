#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>

// Zip archives of bundles, read and written in-process with libarchive.
namespace corvane::archive {

struct UnpackLimits {
    std::uint64_t maxBytes = 4ULL * 1024 * 1024 * 1024;  // unpacked content in all
    std::uint64_t maxEntries = 100'000;
};

struct UnpackProblem {
    enum class Kind {
        unreadable,       // not a readable zip archive
        absolutePath,     // an entry named from the file system's root
        parentReference,  // an entry whose name holds ".."
        unsupportedType,  // neither a folder, a regular file nor a symbolic link
        linkOutside,      // a link that leads out of its top-level item
        tooLarge,         // more unpacked bytes than allowed
        tooManyEntries,   // more entries than allowed
        writeFailed,      // the entry could not be written, e.g. through a link
        stopped,          // a stop was requested
    };

    Kind kind = Kind::unreadable;
    std::string entry;  // the entry's name in the archive; may be empty
    std::string detail;

    // One line naming the problem and the entry, control characters escaped.
    std::string describe() const;
};

// Unpacks the zip archive at `archive` (a regular file) into the existing
// folder `folder`. Only folders, regular files and symbolic links that stay
// inside their top-level item are unpacked; permissions are kept except the
// setuid and setgid bits, which are dropped; nothing already in `folder` is
// replaced and nothing is written through a symbolic link. Stops at the
// first refused entry, past the limits, or when `stop` is requested, and
// leaves what it wrote so far.
std::optional<UnpackProblem> unpackZip(const std::filesystem::path& archive,
                                       const std::filesystem::path& folder,
                                       const UnpackLimits& limits = {}, std::stop_token stop = {});

// Writes the folder tree `source` into a new zip archive at `output`, under
// the top-level name `topName`: folders, regular files with their
// permissions, and symbolic links as links. Anything else fails. Returns
// the reason on failure.
std::optional<std::string> createZip(const std::filesystem::path& source,
                                     const std::string& topName,
                                     const std::filesystem::path& output);

}  // namespace corvane::archive
