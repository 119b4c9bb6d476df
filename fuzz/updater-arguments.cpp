// The replacement tool's command line: the input is split at NUL bytes into
// arguments. Whatever parses holds a usable process id and absolute paths,
// and reads back the same when written out again.
#include <cstdlib>
#include <string>
#include <vector>

#include "updater/Arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane::updater;
    if (size == 0) {
        return 0;
    }
    // The first byte chooses whether the current folder is known.
    const bool knownFolder = (data[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        entries.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const std::optional<std::filesystem::path> folder =
        knownFolder ? std::optional<std::filesystem::path>("/home/user") : std::nullopt;
    const auto parsed = parseArguments(entries, folder);
    if (!parsed) {
        return 0;
    }
    if (parsed->processID <= 0 || !parsed->source.is_absolute() ||
        !parsed->destination.is_absolute() || !parsed->backupRoot.is_absolute()) {
        std::abort();
    }
    const std::vector<std::string> written = {"--pid",         std::to_string(parsed->processID),
                                              "--source",      parsed->source.string(),
                                              "--destination", parsed->destination.string(),
                                              "--backup-root", parsed->backupRoot.string()};
    if (parseArguments(written, std::nullopt) != parsed) {
        std::abort();
    }
    return 0;
}
