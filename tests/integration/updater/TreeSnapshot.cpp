#include "TreeSnapshot.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>

#include "ProcessHarness.h"

namespace corvane::harness {

namespace fs = std::filesystem;

namespace {

bool isAtOrBelow(const std::string& path, const std::string& prefix) {
    return path == prefix || path.rfind(prefix + "/", 0) == 0;
}

// Size and FNV-1a hash: enough to tell contents apart, short enough to print.
std::string fingerprint(const std::string& content) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : content) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%zu bytes %016llx", content.size(),
                  static_cast<unsigned long long>(hash));
    return text;
}

std::string describe(const fs::path& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        return "unreadable";
    }
    char mode[16];
    std::snprintf(mode, sizeof mode, "%04o", info.st_mode & 07777);
    if (S_ISLNK(info.st_mode)) {
        return "link -> " + fs::read_symlink(path).string();
    }
    if (S_ISDIR(info.st_mode)) {
        return std::string("folder ") + mode;
    }
    if (S_ISREG(info.st_mode)) {
        return std::string("file ") + mode + " " + fingerprint(readFile(path));
    }
    return std::string("special ") + mode;
}

}  // namespace

Tree snapshot(const fs::path& root) {
    Tree tree;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(root, error))) {
        return tree;
    }
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        // Lexically: relative() would resolve symbolic links.
        tree[it->path().lexically_relative(root).string()] = describe(it->path());
    }
    return tree;
}

Tree moved(const Tree& tree, const std::string& prefix, const std::string& replacement) {
    Tree result;
    for (const auto& [path, description] : tree) {
        if (isAtOrBelow(path, prefix)) {
            result[replacement + path.substr(prefix.size())] = description;
        }
    }
    return result;
}

Tree without(const Tree& tree, const std::string& prefix) {
    Tree result;
    for (const auto& [path, description] : tree) {
        if (!isAtOrBelow(path, prefix)) {
            result[path] = description;
        }
    }
    return result;
}

}  // namespace corvane::harness
