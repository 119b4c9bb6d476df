#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvane::updater {

// The parsed command line.
struct Arguments {
    std::int32_t processID = 0;         // the running application to stop
    std::filesystem::path source;       // the staged new bundle
    std::filesystem::path destination;  // the installed bundle to replace
    std::filesystem::path backupRoot;   // the folder that receives the backup

    bool operator==(const Arguments&) const = default;
};

// Reads "--pid", "--source", "--destination" and "--backup-root", each
// followed by its value, in any order; a repeated option's last value counts
// and other options are ignored. Empty when an option is missing or has no
// value, when an entry stands where an option belongs without beginning
// with "--", when the process id is not a plain decimal number above 0 that
// fits 32 bits (0 and below would signal process groups), or when a path is
// empty. Relative paths are taken relative to `currentDirectory` (no
// arguments resolve when it is unknown); trailing separators are dropped.
// `arguments` excludes the program's own path.
std::optional<Arguments> parseArguments(
    const std::vector<std::string>& arguments,
    const std::optional<std::filesystem::path>& currentDirectory);

}  // namespace corvane::updater
