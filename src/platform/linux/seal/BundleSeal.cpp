#include "platform/linux/seal/BundleSeal.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "platform/linux/files/LinkTarget.h"
#include "platform/linux/files/OneLine.h"
#include "platform/linux/files/RegularFile.h"
#include "platform/linux/seal/Sha256.h"

namespace corvane::seal {

namespace fs = std::filesystem;

namespace {

// A seal list of a very large bundle is a few megabytes.
constexpr std::size_t kMaxListBytes = 64 * 1024 * 1024;

SealProblem problem(SealProblem::Kind kind, std::string path, std::string detail = {}) {
    return SealProblem{kind, std::move(path), std::move(detail)};
}

const char* kindText(SealProblem::Kind kind) {
    switch (kind) {
        case SealProblem::Kind::unusableKey:
            return "unusable key";
        case SealProblem::Kind::unsealed:
            return "not sealed";
        case SealProblem::Kind::badSignature:
            return "bad signature";
        case SealProblem::Kind::malformedList:
            return "malformed seal";
        case SealProblem::Kind::missing:
            return "missing";
        case SealProblem::Kind::added:
            return "added";
        case SealProblem::Kind::changed:
            return "changed";
        case SealProblem::Kind::unsupportedEntry:
            return "unsupported entry";
        case SealProblem::Kind::linkOutside:
            return "link outside the bundle";
        case SealProblem::Kind::unreadable:
            return "unreadable";
        case SealProblem::Kind::stopped:
            return "stopped";
    }
    return "problem";
}

bool isSealFile(const std::string& path) {
    return path == kSealFolder || path == kSealListFile || path == kSealSignatureFile;
}

std::variant<SealEntry, SealProblem> describeEntry(const fs::path& bundle, const fs::path& item,
                                                   const std::stop_token& stop) {
    SealEntry entry;
    entry.path = item.lexically_relative(bundle).generic_string();
    std::error_code error;
    const fs::file_status status = fs::symlink_status(item, error);
    if (error) {
        return problem(SealProblem::Kind::unreadable, entry.path, error.message());
    }
    entry.mode = static_cast<unsigned>(status.permissions()) & 07777;
    switch (status.type()) {
        case fs::file_type::directory:
            entry.type = SealEntry::Type::folder;
            return entry;
        case fs::file_type::regular: {
            entry.type = SealEntry::Type::file;
            auto digest = sha256File(item, stop);
            if (const auto* failure = std::get_if<std::error_code>(&digest)) {
                return problem(*failure == std::errc::operation_canceled
                                   ? SealProblem::Kind::stopped
                                   : SealProblem::Kind::unreadable,
                               entry.path, failure->message());
            }
            entry.content = std::get<std::string>(std::move(digest));
            return entry;
        }
        case fs::file_type::symlink: {
            entry.type = SealEntry::Type::link;
            entry.content = fs::read_symlink(item, error).string();
            if (error) {
                return problem(SealProblem::Kind::unreadable, entry.path, error.message());
            }
            if (!files::linkStaysInside(entry.path, entry.content)) {
                return problem(SealProblem::Kind::linkOutside, entry.path, entry.content);
            }
            return entry;
        }
        default:
            return problem(SealProblem::Kind::unsupportedEntry, entry.path);
    }
}

std::optional<SealProblem> writeFile(const fs::path& file, const std::string& content) {
    const fs::path partial = file.string() + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        if (!out) {
            return problem(SealProblem::Kind::unreadable, file.string(), "cannot be written");
        }
    }
    std::error_code error;
    fs::rename(partial, file, error);
    if (error) {
        return problem(SealProblem::Kind::unreadable, file.string(), error.message());
    }
    return std::nullopt;
}

std::string differenceOf(const SealEntry& sealed, const SealEntry& actual) {
    if (sealed.type != actual.type) {
        return "type";
    }
    if (sealed.mode != actual.mode) {
        char text[40];
        std::snprintf(text, sizeof text, "permissions %04o, sealed %04o", actual.mode, sealed.mode);
        return text;
    }
    return sealed.type == SealEntry::Type::link ? "link target" : "content";
}

}  // namespace

std::string SealProblem::describe() const {
    std::string line = kindText(kind);
    if (!path.empty()) {
        line += ": " + path;
    }
    if (!detail.empty()) {
        line += " (" + detail + ")";
    }
    return files::oneLine(line);
}

std::variant<std::vector<SealEntry>, SealProblem> listBundle(const fs::path& bundle,
                                                             std::stop_token stop) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(bundle, error))) {
        return problem(SealProblem::Kind::unreadable, {}, bundle.string() + " is not a folder");
    }
    std::vector<SealEntry> entries;
    fs::recursive_directory_iterator walk(bundle, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        if (stop.stop_requested()) {
            return problem(SealProblem::Kind::stopped, {});
        }
        const fs::path item = walk->path();
        if (isSealFile(item.lexically_relative(bundle).generic_string())) {
            continue;
        }
        auto entry = describeEntry(bundle, item, stop);
        if (auto* failure = std::get_if<SealProblem>(&entry)) {
            return std::move(*failure);
        }
        entries.push_back(std::get<SealEntry>(std::move(entry)));
    }
    if (error) {
        return problem(SealProblem::Kind::unreadable, {}, error.message());
    }
    std::sort(entries.begin(), entries.end(),
              [](const SealEntry& a, const SealEntry& b) { return a.path < b.path; });
    return entries;
}

std::optional<SealProblem> sealBundle(const fs::path& bundle, const Key& privateKey) {
    if (!privateKey) {
        return problem(SealProblem::Kind::unusableKey, {});
    }
    // Made before listing so that sealing does not add an unlisted folder.
    std::error_code error;
    fs::create_directories(bundle / kSealFolder, error);
    if (error) {
        return problem(SealProblem::Kind::unreadable, kSealFolder, error.message());
    }
    auto listed = listBundle(bundle);
    if (auto* failure = std::get_if<SealProblem>(&listed)) {
        return std::move(*failure);
    }
    const std::string list = formatSealList(std::get<std::vector<SealEntry>>(std::move(listed)));
    const auto signature = sign(privateKey, list);
    if (!signature) {
        return problem(SealProblem::Kind::unusableKey, {}, "signing failed");
    }
    if (auto failure = writeFile(bundle / kSealListFile, list)) {
        return failure;
    }
    return writeFile(bundle / kSealSignatureFile, *signature);
}

std::optional<SealProblem> verifyBundle(const fs::path& bundle, const Key& publicKey,
                                        std::stop_token stop) {
    if (!publicKey) {
        return problem(SealProblem::Kind::unusableKey, {});
    }
    auto list = files::readRegularFile(bundle / kSealListFile, kMaxListBytes);
    if (const auto* failure = std::get_if<std::error_code>(&list)) {
        return problem(SealProblem::Kind::unsealed, kSealListFile, failure->message());
    }
    auto signature = files::readRegularFile(bundle / kSealSignatureFile, 64);
    if (const auto* failure = std::get_if<std::error_code>(&signature)) {
        return problem(SealProblem::Kind::unsealed, kSealSignatureFile, failure->message());
    }
    if (!verify(publicKey, std::get<std::string>(list), std::get<std::string>(signature))) {
        return problem(SealProblem::Kind::badSignature, kSealSignatureFile);
    }
    auto parsed = parseSealList(std::get<std::string>(list));
    if (const auto* failure = std::get_if<std::string>(&parsed)) {
        return problem(SealProblem::Kind::malformedList, kSealListFile, *failure);
    }
    auto listed = listBundle(bundle, stop);
    if (auto* failure = std::get_if<SealProblem>(&listed)) {
        return std::move(*failure);
    }
    const auto& sealed = std::get<std::vector<SealEntry>>(parsed);
    const auto& actual = std::get<std::vector<SealEntry>>(listed);
    // Both lists are sorted by path: one walk finds the first difference.
    auto s = sealed.begin();
    auto a = actual.begin();
    while (s != sealed.end() || a != actual.end()) {
        if (a == actual.end() || (s != sealed.end() && s->path < a->path)) {
            return problem(SealProblem::Kind::missing, s->path);
        }
        if (s == sealed.end() || a->path < s->path) {
            return problem(SealProblem::Kind::added, a->path);
        }
        if (!(*s == *a)) {
            return problem(SealProblem::Kind::changed, a->path, differenceOf(*s, *a));
        }
        ++s;
        ++a;
    }
    return std::nullopt;
}

}  // namespace corvane::seal
