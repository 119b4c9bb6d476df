#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "display/DisplayBackend.h"
#include "platform/monitor/Edid.h"

namespace corvane::x11 {

// RandR's configuration as one read returns it, in plain values, so that
// the rules over it need no X server to be tested.

// Mode flag and rotation bits as the RandR protocol defines them.
inline constexpr std::uint32_t kModeFlagInterlace = 0x10;
inline constexpr std::uint32_t kModeFlagDoubleScan = 0x20;
inline constexpr std::uint16_t kRotate0 = 1;
inline constexpr std::uint16_t kRotate90 = 2;
inline constexpr std::uint16_t kRotate270 = 8;

struct RandrMode {
    std::uint32_t xid = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t dotClock = 0;  // hertz
    std::uint32_t hTotal = 0;
    std::uint32_t vTotal = 0;
    std::uint32_t flags = 0;
};

// A CRTC's projective transform from its own pixels to the screen's, row
// by row (xrandr --scale and --transform set it).
using CrtcTransform = std::array<double, 9>;

// The screen area a panning CRTC scrolls over; a width of 0: no panning.
struct PanningArea {
    std::uint32_t left = 0;
    std::uint32_t top = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

struct RandrCrtc {
    std::uint32_t xid = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t mode = 0;  // 0: the CRTC is off
    std::uint16_t rotation = kRotate0;
    std::vector<std::uint32_t> outputs;
    // Read only for a switch, which needs them to size the screen.
    std::optional<CrtcTransform> transform;  // absent: the identity
    PanningArea panning;
};

struct RandrOutput {
    std::uint32_t xid = 0;
    QString name;
    bool connected = false;
    std::uint32_t crtc = 0;            // 0: no CRTC drives the output
    std::vector<std::uint32_t> modes;  // as listed, duplicates included
    QByteArray edid;                   // empty: none
};

struct ScreenSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    bool operator==(const ScreenSize&) const = default;
};

struct RandrLayout {
    std::uint32_t configTimestamp = 0;
    std::uint32_t timestamp = 0;
    ScreenSize screen;
    std::uint32_t primaryOutput = 0;  // 0: none
    std::vector<RandrMode> modes;     // in ascending XID order
    std::vector<RandrCrtc> crtcs;
    std::vector<RandrOutput> outputs;

    const RandrMode* findMode(std::uint32_t xid) const;
    const RandrCrtc* findCrtc(std::uint32_t xid) const;
    const RandrOutput* findOutput(std::uint32_t xid) const;
};

// An output that is online: connected and driven by a CRTC that has a mode.
struct OnlineDisplay {
    DisplayId id = 0;
    std::uint32_t output = 0;
    std::uint32_t crtc = 0;
    QString outputName;
    std::optional<Edid> edid;
};

// The online displays in the server's output order, with their identifiers.
std::vector<OnlineDisplay> onlineDisplays(const RandrLayout& layout);

// The main display among `online`: the primary output, else the one at the
// screen's origin, else the first; nullptr when there is none.
const OnlineDisplay* mainDisplay(const RandrLayout& layout,
                                 const std::vector<OnlineDisplay>& online);

// Refresh rate from the timings: dot clock over the frame's dots, doubled
// for interlaced modes (two fields per frame) and halved for double-scan
// ones (each line sent twice). 0 when the timings are missing.
double refreshRate(const RandrMode& mode);

PlatformMode platformMode(const RandrMode& mode);

// The output's modes in its order, a mode listed twice counted once.
std::vector<PlatformMode> outputModes(const RandrLayout& layout, const RandrOutput& output);

std::optional<PlatformMode> currentMode(const RandrLayout& layout, const OnlineDisplay& display);

// How to switch one online output to a mode, worked out before anything is
// sent, the way xrandr does it: the CRTC keeps its position, rotation,
// transform, panning and outputs; the screen grows first when the new mode
// needs more room and shrinks afterwards to fit every CRTC. A CRTC covers
// its mode turned by its rotation and mapped through its transform, and
// at least its panning area.
struct ModeSwitchPlan {
    std::uint32_t crtc = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t mode = 0;
    std::uint16_t rotation = kRotate0;
    std::vector<std::uint32_t> outputs;
    std::optional<ScreenSize> growTo;
    std::optional<ScreenSize> shrinkTo;
};

// nullopt when the output is not online or the mode is not on the server.
std::optional<ModeSwitchPlan> planModeSwitch(const RandrLayout& layout, std::uint32_t output,
                                             std::uint32_t mode);

}  // namespace corvane::x11
