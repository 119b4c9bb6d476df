#pragma once

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/mutter/DisplayConfigState.h"

namespace corvane::mutter {

// The arguments of org.gnome.Mutter.DisplayConfig.ApplyMonitorsConfig, in
// plain values.
struct MonitorAssignment {
    QString connector;
    QString modeId;
    QVariantMap properties;
};

struct LogicalMonitorConfig {
    std::int32_t x = 0;
    std::int32_t y = 0;
    double scale = 1.0;
    std::uint32_t transform = 0;
    bool primary = false;
    std::vector<MonitorAssignment> monitors;
};

struct MonitorsConfig {
    std::uint32_t serial = 0;
    std::vector<LogicalMonitorConfig> logicalMonitors;
    QVariantMap properties;
};

// The whole configuration Mutter needs to switch one monitor to one of its
// modes, everything else as it is: every logical monitor keeps its scale,
// transform, primary flag and monitors' modes and underscanning, and the
// layout mode stays. The switched monitor keeps its scale when the new mode
// supports it, else takes the mode's preferred one. Mutter refuses logical
// monitors that overlap or do not touch, so those right of (below) the
// switched one move by the change in its width (height); the others keep
// their positions. nullopt when the connector is not online or has no mode
// of that name.
std::optional<MonitorsConfig> planModeSwitch(const DisplayConfigState& state,
                                             const QString& connector, const QString& modeId);

}  // namespace corvane::mutter
