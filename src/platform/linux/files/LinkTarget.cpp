#include "platform/linux/files/LinkTarget.h"

#include <cstddef>
#include <vector>

namespace corvane::files {

namespace {

// The path's components without empty and "." ones.
std::vector<std::string_view> components(std::string_view path) {
    std::vector<std::string_view> result;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (!part.empty() && part != ".") {
            result.push_back(part);
        }
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return result;
}

}  // namespace

bool linkStaysInside(std::string_view linkPath, std::string_view target) {
    if (target.empty() || target.front() == '/') {
        return false;
    }
    const auto link = components(linkPath);
    if (link.empty() || linkPath.front() == '/') {
        return false;
    }
    std::size_t depth = link.size() - 1;  // folders between the root and the link
    bool climbing = true;
    for (const std::string_view part : components(target)) {
        if (part == "..") {
            if (!climbing || depth == 0) {
                return false;
            }
            --depth;
        } else {
            climbing = false;
        }
    }
    return true;
}

}  // namespace corvane::files
