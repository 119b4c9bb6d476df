#pragma once

#include <sys/types.h>

#include <filesystem>

namespace corvane::launcher {

// Starts `executable` with no arguments as the leader of a new session, with
// "/" as its working folder, default signal handling, standard input and
// output on /dev/null and no other descriptor inherited. Returns 0 once the
// program runs (the new process has replaced itself with it), otherwise the
// errno that made the start fail; `started` then holds its process id. The
// started program is not waited for.
int startDetached(const std::filesystem::path& executable, pid_t& started);

}  // namespace corvane::launcher
