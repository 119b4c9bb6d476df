#pragma once

#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <variant>
#include <vector>

#include "platform/linux/seal/Ed25519.h"
#include "platform/linux/seal/SealList.h"

// The bundle seal: the list of every folder, file and symbolic link of a
// bundle with its permissions and its SHA-256 or link target, signed with
// the publisher's Ed25519 key. A sealed bundle changes in no way without
// its seal failing.
namespace corvane::seal {

// Where a bundle keeps its seal, relative to its root. These three are the
// only entries the seal does not list.
inline constexpr const char* kSealFolder = "Contents/Seal";
inline constexpr const char* kSealListFile = "Contents/Seal/list";
inline constexpr const char* kSealSignatureFile = "Contents/Seal/signature";

struct SealProblem {
    enum class Kind {
        unusableKey,       // no Ed25519 key of the needed kind
        unsealed,          // the seal's files are missing or unreadable
        badSignature,      // the list was not signed with the key
        malformedList,     // the signed list cannot be read
        missing,           // a sealed entry is gone
        added,             // an entry the seal does not list
        changed,           // an entry's type, permissions, content or target differ
        unsupportedEntry,  // a FIFO, device or socket
        linkOutside,       // a symbolic link that leads out of the bundle
        unreadable,        // the bundle could not be read
        stopped,           // a stop was requested
    };

    Kind kind = Kind::unreadable;
    std::string path;  // the entry concerned, relative to the bundle; may be empty
    std::string detail;

    // One line naming the problem and the entry, control characters escaped.
    std::string describe() const;
};

// Every entry of the bundle but the seal's own, sorted by path, with each
// file's digest computed. Refuses entries no seal may hold.
std::variant<std::vector<SealEntry>, SealProblem> listBundle(const std::filesystem::path& bundle,
                                                             std::stop_token stop = {});

// Lists the bundle and writes the list and its signature into the bundle,
// replacing an earlier seal.
std::optional<SealProblem> sealBundle(const std::filesystem::path& bundle, const Key& privateKey);

// Checks the bundle against its seal under `publicKey`: the signature, then
// every entry. Returns the first problem found, or nothing for an intact seal.
std::optional<SealProblem> verifyBundle(const std::filesystem::path& bundle, const Key& publicKey,
                                        std::stop_token stop = {});

}  // namespace corvane::seal
