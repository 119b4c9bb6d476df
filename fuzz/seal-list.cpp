// The seal list: any text parses or is refused without a fault, and a list
// that parses has exactly one spelling, the one the writer gives it.
#include <cstdlib>
#include <string_view>

#include "platform/linux/seal/SealList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane::seal;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = parseSealList(text);
    const auto* entries = std::get_if<std::vector<SealEntry>>(&parsed);
    if (entries != nullptr && formatSealList(*entries) != text) {
        std::abort();
    }
    return 0;
}
