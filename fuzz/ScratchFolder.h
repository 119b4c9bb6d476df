#pragma once

#include <cstdlib>
#include <string>

// Where a target makes its folder per input: under TMPDIR when it is set
// (scripts/fuzz.sh points it into its own scratch folder, which goes at the
// end even after a crash), else /dev/shm.
inline std::string scratchFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/dev/shm";
}
