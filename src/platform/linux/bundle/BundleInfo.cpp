#include "platform/linux/bundle/BundleInfo.h"

#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <system_error>

#include "platform/linux/files/RegularFile.h"

namespace corvane::bundle {

namespace {

// An Info.plist is a few kilobytes; anything far larger is not one, and
// libplist takes a 32-bit length.
constexpr std::size_t kMaxInfoPlistBytes = 16 * 1024 * 1024;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

}  // namespace

std::optional<std::string> infoString(const std::filesystem::path& bundle, const std::string& key) {
    const auto read =
        files::readRegularFile(bundle / "Contents" / "Info.plist", kMaxInfoPlistBytes);
    const auto* bytes = std::get_if<std::string>(&read);
    if (!bytes || bytes->empty()) {
        return std::nullopt;
    }
    plist_t parsed = nullptr;
    plist_from_memory(bytes->data(), static_cast<std::uint32_t>(bytes->size()), &parsed);
    const PlistPtr root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
        return std::nullopt;
    }
    const plist_t value = plist_dict_get_item(root.get(), key.c_str());
    if (!value || plist_get_node_type(value) != PLIST_STRING) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(value, &length);
    if (!text) {
        return std::nullopt;
    }
    return std::string(text, static_cast<std::size_t>(length));
}

std::optional<std::filesystem::path> bundleExecutable(const std::filesystem::path& bundle) {
    const auto name = infoString(bundle, "CFBundleExecutable");
    if (!name || name->empty() || *name == "." || *name == ".." ||
        name->find_first_of(std::string("/\0", 2)) != std::string::npos) {
        return std::nullopt;
    }
    return bundle / "Contents" / "MacOS" / *name;
}

std::optional<std::filesystem::path> runningBundle() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    const auto macos = executable.parent_path();
    const auto contents = macos.parent_path();
    if (macos.filename() != "MacOS" || contents.filename() != "Contents") {
        return std::nullopt;
    }
    return contents.parent_path();
}

}  // namespace corvane::bundle
