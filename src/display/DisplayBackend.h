#pragma once

#include <QString>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "display/DisplayMode.h"

namespace corvane {

// A mode as the platform lists it. `handle` is what the platform needs to
// switch to it again; `info` holds the mode's seven fields as the platform
// reports them.
struct PlatformMode {
    DisplayModeInfo info;
    bool usableForDesktop = false;
    std::uint64_t handle = 0;

    bool operator==(const PlatformMode&) const = default;
};

// What the window system says about one screen. `displayId` is absent when
// the screen cannot be tied to a display.
struct ScreenDescription {
    std::optional<DisplayId> displayId;
    QString name;
    double backingScaleFactor = 1.0;
};

// What switchMode() returns, beside the platform's own codes, when the
// display or the mode was gone by the time the platform looked again (or
// the platform could no longer be reached). Far from any platform's codes.
inline constexpr std::int32_t kSwitchDisplayGone = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int32_t kSwitchModeGone = kSwitchDisplayGone + 1;

// The platform's display configuration, reported as it is: no ordering,
// filtering, naming or matching happens here (DisplayService does that).
class DisplayBackend {
  public:
    virtual ~DisplayBackend() = default;

    // Online displays in the platform's order; nullopt when the platform
    // fails to list them.
    virtual std::optional<std::vector<DisplayId>> onlineDisplays() = 0;

    virtual DisplayId mainDisplay() = 0;

    // The display's current mode; nullopt when it has none.
    virtual std::optional<PlatformMode> currentMode(DisplayId display) = 0;

    // Every mode of the display in the platform's order, usable or not;
    // empty when the display is gone.
    virtual std::vector<PlatformMode> allModes(DisplayId display) = 0;

    // Switches the display to one of its modes; returns 0 on success, one
    // of the two codes above, or the platform's error code.
    virtual std::int32_t switchMode(DisplayId display, const PlatformMode& mode) = 0;

    // Every screen the window system knows, in its order.
    virtual std::vector<ScreenDescription> screens() = 0;

    // A number that stays the same for as long as the configuration is
    // known not to have changed since the platform last read it; nullopt
    // when the platform cannot tell, and every snapshot then reads afresh.
    virtual std::optional<std::uint64_t> configurationStamp() { return std::nullopt; }

    // Displays that went offline, however briefly, before the latest read
    // and since the previous call, even when they are back online by now.
    // A platform that cannot tell returns none; snapshots alone then show
    // which displays left.
    virtual std::vector<DisplayId> takeDepartedDisplays() { return {}; }
};

}  // namespace corvane
