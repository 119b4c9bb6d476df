#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Bundle information for both the application and the launcher; uses only
// the standard library and libplist, never Qt.
namespace corvane::bundle {

// The text stored under `key` in `bundle`/Contents/Info.plist, which may be
// an XML or a binary property list. Empty when the file is missing,
// unreadable or not a dictionary, when the key is missing, or when its value
// is not a string.
std::optional<std::string> infoString(const std::filesystem::path& bundle, const std::string& key);

// The executable `bundle` names: Contents/MacOS followed by the text of
// CFBundleExecutable. Empty when there is no such text or when it is not a
// plain file name (so that the executable never lies outside Contents/MacOS).
std::optional<std::filesystem::path> bundleExecutable(const std::filesystem::path& bundle);

// The bundle this process runs from: the folder three levels above the
// executable when it lies in <bundle>/Contents/MacOS. Empty otherwise.
std::optional<std::filesystem::path> runningBundle();

}  // namespace corvane::bundle
