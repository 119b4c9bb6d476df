#include "updater/Arguments.h"

#include <limits>
#include <map>

#include "platform/linux/failedbuilds/FailedBuilds.h"

namespace corvane::updater {

namespace {

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
    const auto processID = failedbuilds::parseDecimal(pid->second);
    if (!processID || *processID <= 0 || *processID > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    auto sourcePath = toAbsolutePath(source->second, currentDirectory);
    auto destinationPath = toAbsolutePath(destination->second, currentDirectory);
    auto backupRootPath = toAbsolutePath(backupRoot->second, currentDirectory);
    if (!sourcePath || !destinationPath || !backupRootPath) {
        return std::nullopt;
    }
    return Arguments{static_cast<std::int32_t>(*processID), std::move(*sourcePath),
                     std::move(*destinationPath), std::move(*backupRootPath)};
}

}  // namespace corvane::updater
