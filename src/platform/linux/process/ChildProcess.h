#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "platform/linux/files/UniqueFd.h"

namespace corvane::process {

// A started child: its process id and a pidfd that becomes readable when it
// ends (invalid on a kernel without pidfds). The child is not stopped when
// this goes away.
struct Child {
    pid_t pid = -1;
    files::UniqueFd pidfd;
};

// Starts `program` (an absolute path, no shell) with `arguments`, its
// standard input, output and error on /dev/null, every signal at its
// default disposition and none blocked, no other descriptor inherited, and
// returns without waiting for it.
std::variant<Child, std::error_code> startChild(const std::filesystem::path& program,
                                                const std::vector<std::string>& arguments);

// Collects the status of an ended child without blocking; empty while it
// still runs.
std::optional<int> collectChild(pid_t pid);

}  // namespace corvane::process
