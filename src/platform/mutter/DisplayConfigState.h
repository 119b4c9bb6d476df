#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "display/DisplayBackend.h"

namespace corvane::mutter {

// What org.gnome.Mutter.DisplayConfig.GetCurrentState returns, in plain
// values, so that the rules over it need no compositor to be tested.

// Layout modes: logical monitors sized in logical pixels (the mode's size
// over the scale), or in the mode's own pixels.
inline constexpr std::uint32_t kLayoutLogical = 1;
inline constexpr std::uint32_t kLayoutPhysical = 2;

// How Mutter names a monitor: its connector and its EDID's vendor, product
// and serial as text ("unknown" when it has no EDID).
struct MonitorKey {
    QString connector;
    QString vendor;
    QString product;
    QString serial;

    bool operator==(const MonitorKey&) const = default;
};

struct Mode {
    QString id;  // Mutter's name for the mode, such as "1920x1080@59.951"
    std::int32_t width = 0;
    std::int32_t height = 0;
    double refreshRate = 0;
    double preferredScale = 1.0;
    std::vector<double> supportedScales;
    bool isCurrent = false;
    bool isPreferred = false;
    bool isInterlaced = false;

    bool operator==(const Mode&) const = default;
};

struct Monitor {
    MonitorKey key;
    std::vector<Mode> modes;
    QString displayName;                // the name the desktop shows
    std::optional<bool> underscanning;  // absent when the monitor cannot underscan

    const Mode* currentMode() const;
    bool operator==(const Monitor&) const = default;
};

struct LogicalMonitor {
    std::int32_t x = 0;
    std::int32_t y = 0;
    double scale = 1.0;
    std::uint32_t transform = 0;  // odd values turn the monitor a quarter
    bool primary = false;
    std::vector<MonitorKey> monitors;  // several when mirrored

    bool operator==(const LogicalMonitor&) const = default;
};

struct DisplayConfigState {
    std::uint32_t serial = 0;
    std::vector<Monitor> monitors;
    std::vector<LogicalMonitor> logicalMonitors;
    std::uint32_t layoutMode = kLayoutLogical;
    bool supportsChangingLayoutMode = false;
};

// Whether two reads show the same monitors, modes and layout. Serials are
// left out: Mutter counts its reads of the hardware, not changes.
bool sameConfiguration(const DisplayConfigState& a, const DisplayConfigState& b);

// A monitor that shows part of the desktop: it belongs to a logical monitor
// and has a current mode. Indices point into the state's lists.
struct OnlineMonitor {
    DisplayId id = 0;
    std::size_t monitor = 0;
    std::size_t logicalMonitor = 0;
};

// The online monitors in Mutter's order, with identifiers that agree with
// the X11 backend's for the same EDID (the connector stands in without one).
std::vector<OnlineMonitor> onlineMonitors(const DisplayConfigState& state);

// The main display: the one on the primary logical monitor, else the one at
// the origin, else the first; nullptr when nothing is online.
const OnlineMonitor* mainMonitor(const DisplayConfigState& state,
                                 const std::vector<OnlineMonitor>& online);

// A stable, non-zero identifier for a mode, from what defines it: its size,
// rate (to the millihertz, as Mutter names modes) and interlacing. The same
// mode gets the same number in every run.
std::int32_t modeIdentifier(const Mode& mode);

// The mode as the display service sees it: sizes in pixels (points equal
// pixels, as under X11, so saved modes match in either session), no flags,
// interlaced modes not usable for the desktop. The handle is the mode's
// identifier.
PlatformMode platformMode(const Mode& mode);

// What the desktop calls each online monitor and the scale of its logical
// monitor.
std::vector<ScreenDescription> screens(const DisplayConfigState& state,
                                       const std::vector<OnlineMonitor>& online);

}  // namespace corvane::mutter
