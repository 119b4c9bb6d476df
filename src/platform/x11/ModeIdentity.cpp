#include "platform/x11/ModeIdentity.h"

#include <array>

#include "platform/x11/RandrLayout.h"

namespace corvane::x11 {

namespace {

constexpr std::uint32_t kStableBit = 1u << 30;
constexpr std::uint32_t kHashBits = kStableBit - 1;

}  // namespace

std::int32_t stableModeId(const RandrMode& mode) {
    // FNV-1a over the fields, each as four little-endian bytes: the same on
    // every host and in every build, unlike std::hash.
    const std::array<std::uint32_t, 6> fields = {mode.width,  mode.height, mode.dotClock,
                                                 mode.hTotal, mode.vTotal, mode.flags};
    std::uint32_t hash = 2166136261u;
    for (std::uint32_t field : fields) {
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (field >> shift) & 0xffu;
            hash *= 16777619u;
        }
    }
    return static_cast<std::int32_t>(kStableBit | (hash & kHashBits));
}

}  // namespace corvane::x11
