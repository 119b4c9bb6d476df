#include "platform/x11/ModeIdentity.h"

#include <array>

#include "platform/x11/RandrLayout.h"

namespace corvane::x11 {

namespace {

constexpr std::uint32_t kStableBit = 1u << 30;
constexpr std::uint32_t kHashBits = kStableBit - 1;

}  // namespace

std::int32_t stableModeId(const RandrMode& mode) {
    // FNV-1a over the fields as 32-bit words, then a final mix so that
    // every field reaches the low bits kept: the same on every host and in
    // every build, unlike std::hash.
    const std::array<std::uint32_t, 6> fields = {mode.width,  mode.height, mode.dotClock,
                                                 mode.hTotal, mode.vTotal, mode.flags};
    std::uint32_t hash = 2166136261u;
    for (std::uint32_t field : fields) {
        hash = (hash ^ field) * 16777619u;
    }
    hash ^= hash >> 16;
    hash *= 0x45d9f3bu;
    hash ^= hash >> 16;
    return static_cast<std::int32_t>(kStableBit | (hash & kHashBits));
}

}  // namespace corvane::x11
