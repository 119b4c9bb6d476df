#pragma once

#include <string>
#include <string_view>

namespace corvane::files {

// `text` with every control character written as \xNN, so that a message
// holding a path (which may contain a line feed) stays on one line.
std::string oneLine(std::string_view text);

}  // namespace corvane::files
