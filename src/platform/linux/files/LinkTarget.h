#pragma once

#include <string_view>

namespace corvane::files {

// True when a symbolic link at `linkPath`, relative to the root of a folder
// tree (a bundle), with the target `target`, resolves inside that tree
// whatever the other links in it point to. The target must be relative, may
// climb only with leading ".." components and no higher than the root, and
// holds no ".." after its first other component: a ".." after a link would
// climb from wherever that link leads. An empty `linkPath` (the root itself)
// never qualifies.
bool linkStaysInside(std::string_view linkPath, std::string_view target);

}  // namespace corvane::files
