// Unpacking a zip archive: any bytes as the archive unpack or are refused
// without a fault, and nothing is written outside the target folder. Each
// input gets a fresh folder (under /dev/shm unless TMPDIR says otherwise), removed afterwards.
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ScratchFolder.h"
#include "platform/linux/archive/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    std::string pattern = scratchFolder() + "/corvane-fuzz-unpack-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    const fs::path folder(pattern);
    const fs::path archive = folder / "archive.zip";
    const fs::path target = folder / "target";
    {
        std::ofstream out(archive, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) {
            std::abort();
        }
    }
    fs::create_directory(target);
    // Bounds well below the defaults keep each run small in memory and
    // time, and reach the limit checks.
    const corvane::archive::UnpackLimits limits{16 * 1024 * 1024, 1000};
    if (const auto problem = corvane::archive::unpackZip(archive, target, limits)) {
        problem->describe();
    }
    // Only the archive and the target folder are in the input's folder.
    std::size_t count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path() != archive && entry.path() != target) {
            std::abort();
        }
        ++count;
    }
    if (count != 2) {
        std::abort();
    }
    // Unpacked permissions may forbid entering a folder; the owner may
    // always change them back before removing it.
    for (auto it = fs::recursive_directory_iterator(target);
         it != fs::recursive_directory_iterator(); ++it) {
        std::error_code error;
        if (!it->is_symlink(error) && it->is_directory(error)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add);
        }
    }
    fs::remove_all(folder);
    return 0;
}
