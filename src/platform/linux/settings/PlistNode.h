#pragma once

#include <plist/plist.h>

#include <memory>
#include <type_traits>

namespace corvane {

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};

// Owns a libplist tree (plist_t is an untyped pointer).
using PlistNode = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistFree>;

}  // namespace corvane
