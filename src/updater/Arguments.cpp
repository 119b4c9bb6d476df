#include "updater/Arguments.h"

#include <charconv>
#include <map>

namespace corvane::updater {

namespace {

// An optional "+" or "-" and then only the digits 0 to 9, within 32 bits.
std::optional<std::int32_t> parseDecimal(const std::string& text) {
    std::size_t start = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        start = 1;
    }
    if (text.size() == start) {
        return std::nullopt;
    }
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
    }
    // from_chars takes a "-" but not a "+", so the sign is left to it only
    // when it is a minus.
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const char* last = text.data() + text.size();
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::filesystem::path> toAbsolutePath(
    std::string text, const std::optional<std::filesystem::path>& currentDirectory) {
    if (text.empty()) {
        return std::nullopt;  // would name the current folder itself
    }
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    std::filesystem::path path(text);
    if (path.is_absolute()) {
        return path;
    }
    if (!currentDirectory) {
        return std::nullopt;
    }
    return *currentDirectory / path;
}

}  // namespace

std::optional<Arguments> parseArguments(
    const std::vector<std::string>& arguments,
    const std::optional<std::filesystem::path>& currentDirectory) {
    std::map<std::string, std::string> options;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        if (arguments[i].rfind("--", 0) != 0 || i + 1 >= arguments.size()) {
            return std::nullopt;
        }
        options[arguments[i]] = arguments[i + 1];
    }

    const auto pid = options.find("--pid");
    const auto source = options.find("--source");
    const auto destination = options.find("--destination");
    const auto backupRoot = options.find("--backup-root");
    if (pid == options.end() || source == options.end() || destination == options.end() ||
        backupRoot == options.end()) {
        return std::nullopt;
    }
    const auto processID = parseDecimal(pid->second);
    if (!processID || *processID <= 0) {
        return std::nullopt;
    }
    auto sourcePath = toAbsolutePath(source->second, currentDirectory);
    auto destinationPath = toAbsolutePath(destination->second, currentDirectory);
    auto backupRootPath = toAbsolutePath(backupRoot->second, currentDirectory);
    if (!sourcePath || !destinationPath || !backupRootPath) {
        return std::nullopt;
    }
    return Arguments{*processID, std::move(*sourcePath), std::move(*destinationPath),
                     std::move(*backupRootPath)};
}

}  // namespace corvane::updater
