#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corvane::seal {

// One item of a sealed bundle.
struct SealEntry {
    enum class Type { folder, file, link };

    std::string path;  // relative to the bundle's root, "/"-separated
    Type type = Type::file;
    unsigned mode = 0;    // permission bits, setuid/setgid/sticky included
    std::string content;  // a file's SHA-256 in hex, a link's target, empty for a folder

    bool operator==(const SealEntry&) const = default;
};

// The list's text: the line "corvane-seal 1", then one line per entry,
// sorted by path:
//     <d|f|l> <mode as 4 octal digits> <sha256 | link target | -> <path>
// Paths and link targets are written with every byte outside printable
// ASCII, every space and every "%" as %XX, so that any name fits one line.
std::string formatSealList(std::vector<SealEntry> entries);

// Reads that text back. Refuses, with the reason, anything but exactly that
// form: another header, a malformed line, a path that is absolute, empty or
// holds "." or "..", or paths out of order or repeated.
std::variant<std::vector<SealEntry>, std::string> parseSealList(std::string_view text);

}  // namespace corvane::seal
