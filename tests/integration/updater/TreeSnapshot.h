#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace corvane::harness {

// Everything below a folder: relative path → type, permissions and content
// fingerprint
// (or link target). Two equal snapshots mean byte-identical trees.
using Tree = std::map<std::string, std::string>;

// Empty when `root` does not exist; `root` itself is not an entry.
Tree snapshot(const std::filesystem::path& root);

// The entries of `tree` at and below `prefix`, with `prefix` replaced by
// `replacement`.
Tree moved(const Tree& tree, const std::string& prefix, const std::string& replacement);

// `tree` without the entries at and below `prefix`.
Tree without(const Tree& tree, const std::string& prefix);

}  // namespace corvane::harness
