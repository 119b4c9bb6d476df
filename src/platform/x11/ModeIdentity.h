#pragma once

#include <cstdint>

namespace corvane::x11 {

struct RandrMode;

// The identifier a mode carries in DisplayModeInfo: a hash of what defines
// the mode (size, dot clock, totals, flags), so that the same timings get
// the same number on every server start, however the server numbers its
// mode XIDs. Never 0.
//
// Every identifier lies in [2^30, 2^31), above the 29 bits an X resource
// identifier uses, so a number saved by a version that stored mode XIDs
// never equals one of these and such a record is found by size and rate.
std::int32_t stableModeId(const RandrMode& mode);

}  // namespace corvane::x11
