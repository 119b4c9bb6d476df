#include "platform/linux/seal/SealList.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace corvane::seal {

namespace {

constexpr std::string_view kHeader = "corvane-seal 1";

bool needsEscape(unsigned char byte) {
    return byte <= 0x20 || byte >= 0x7f || byte == '%';
}

std::string escape(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string result;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte)) {
            result += '%';
            result += kHex[byte >> 4];
            result += kHex[byte & 0x0f];
        } else {
            result += c;
        }
    }
    return result;
}

std::optional<int> hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return std::nullopt;
}

// Exactly the escaping above undone: a byte written plainly that should
// have been escaped, or an escape that was not needed, is refused, so
// every name has one spelling.
std::optional<std::string> unescape(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            if (needsEscape(static_cast<unsigned char>(text[i]))) {
                return std::nullopt;
            }
            result += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const auto high = hexValue(text[i + 1]);
        const auto low = hexValue(text[i + 2]);
        if (!high || !low || !needsEscape(static_cast<unsigned char>(*high * 16 + *low))) {
            return std::nullopt;
        }
        result += static_cast<char>(*high * 16 + *low);
        i += 2;
    }
    return result;
}

bool isCleanRelativePath(std::string_view path) {
    if (path.empty() || path.front() == '/' || path.back() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == ".." || part.find('\0') != part.npos) {
            return false;
        }
        start = slash + 1;
    }
    return true;
}

bool isDigest(std::string_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

char typeLetter(SealEntry::Type type) {
    switch (type) {
        case SealEntry::Type::folder:
            return 'd';
        case SealEntry::Type::file:
            return 'f';
        case SealEntry::Type::link:
            break;
    }
    return 'l';
}

std::optional<SealEntry> parseLine(std::string_view line) {
    // <type> <mode> <content> <path>, one space apart.
    if (line.size() < 9 || line[1] != ' ' || line[6] != ' ') {
        return std::nullopt;
    }
    SealEntry entry;
    switch (line[0]) {
        case 'd':
            entry.type = SealEntry::Type::folder;
            break;
        case 'f':
            entry.type = SealEntry::Type::file;
            break;
        case 'l':
            entry.type = SealEntry::Type::link;
            break;
        default:
            return std::nullopt;
    }
    for (std::size_t i = 2; i < 6; ++i) {
        if (line[i] < '0' || line[i] > '7') {
            return std::nullopt;
        }
        entry.mode = entry.mode * 8 + static_cast<unsigned>(line[i] - '0');
    }
    const std::string_view rest = line.substr(7);
    const std::size_t space = rest.find(' ');
    if (space == rest.npos) {
        return std::nullopt;
    }
    const std::string_view content = rest.substr(0, space);
    const auto path = unescape(rest.substr(space + 1));
    if (!path || !isCleanRelativePath(*path)) {
        return std::nullopt;
    }
    entry.path = *path;
    switch (entry.type) {
        case SealEntry::Type::folder:
            if (content != "-") {
                return std::nullopt;
            }
            break;
        case SealEntry::Type::file:
            if (!isDigest(content)) {
                return std::nullopt;
            }
            entry.content = content;
            break;
        case SealEntry::Type::link: {
            const auto target = unescape(content);
            if (!target || target->empty()) {
                return std::nullopt;
            }
            entry.content = *target;
            break;
        }
    }
    return entry;
}

}  // namespace

std::string formatSealList(std::vector<SealEntry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const SealEntry& a, const SealEntry& b) { return a.path < b.path; });
    std::string text(kHeader);
    text += '\n';
    for (const SealEntry& entry : entries) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", entry.mode & 07777);
        text += typeLetter(entry.type);
        text += ' ';
        text += mode;
        text += ' ';
        text += entry.type == SealEntry::Type::folder ? std::string("-")
                : entry.type == SealEntry::Type::link ? escape(entry.content)
                                                      : entry.content;
        text += ' ';
        text += escape(entry.path);
        text += '\n';
    }
    return text;
}

std::variant<std::vector<SealEntry>, std::string> parseSealList(std::string_view text) {
    if (text.substr(0, kHeader.size() + 1) != std::string(kHeader) + "\n") {
        return std::string("the seal list does not begin with \"corvane-seal 1\"");
    }
    std::vector<SealEntry> entries;
    std::size_t start = kHeader.size() + 1;
    std::size_t number = 1;
    while (start < text.size()) {
        ++number;
        const std::size_t end = text.find('\n', start);
        if (end == text.npos) {
            return "line " + std::to_string(number) + " of the seal list has no line end";
        }
        auto entry = parseLine(text.substr(start, end - start));
        if (!entry) {
            return "line " + std::to_string(number) + " of the seal list is malformed";
        }
        if (!entries.empty() && !(entries.back().path < entry->path)) {
            return "line " + std::to_string(number) + " of the seal list is out of order";
        }
        entries.push_back(std::move(*entry));
        start = end + 1;
    }
    return entries;
}

}  // namespace corvane::seal
