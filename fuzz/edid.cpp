// EDID parsing: any bytes, and the same bytes made to pass the header and
// checksum tests so that the descriptors are read, parse or fail without a
// fault.
#include "platform/monitor/Edid.h"

#include <array>
#include <cstdlib>

#include "platform/monitor/DisplayIdentity.h"

namespace {

void parse(QByteArrayView bytes) {
    const auto parsed = corvane::parseEdid(bytes);
    if (const auto* edid = std::get_if<corvane::Edid>(&parsed)) {
        if (edid->manufacturer.size() != 3) {
            std::abort();
        }
        const corvane::OutputIdentity output{QStringLiteral("DP-1"), corvane::monitorNames(*edid)};
        if (corvane::monitorDisplayId(output) == 0) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    parse(bytes);
    if (bytes.size() < 128) {
        return 0;
    }
    constexpr std::array<char, 8> kHeader = {0, '\xff', '\xff', '\xff', '\xff', '\xff', '\xff', 0};
    std::copy(kHeader.begin(), kHeader.end(), bytes.begin());
    unsigned sum = 0;
    for (qsizetype i = 0; i < 127; ++i) {
        sum += static_cast<std::uint8_t>(bytes[i]);
    }
    bytes[127] = static_cast<char>((256 - sum % 256) % 256);
    if (!std::holds_alternative<corvane::Edid>(corvane::parseEdid(bytes))) {
        std::abort();
    }
    parse(bytes);
    return 0;
}
