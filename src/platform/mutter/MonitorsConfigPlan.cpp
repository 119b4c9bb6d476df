#include "platform/mutter/MonitorsConfigPlan.h"

#include <algorithm>
#include <cmath>

namespace corvane::mutter {

namespace {

struct Extent {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The room a logical monitor takes in the layout: a quarter turn swaps the
// mode's sides; in the logical layout mode the scale divides them.
Extent extent(const Mode& mode, double scale, std::uint32_t transform, std::uint32_t layoutMode) {
    const bool turned = transform % 2 == 1;
    double width = turned ? mode.height : mode.width;
    double height = turned ? mode.width : mode.height;
    if (layoutMode == kLayoutLogical && scale > 0) {
        width /= scale;
        height /= scale;
    }
    return {static_cast<std::int32_t>(std::lround(width)),
            static_cast<std::int32_t>(std::lround(height))};
}

bool supportsScale(const Mode& mode, double scale) {
    return std::any_of(mode.supportedScales.begin(), mode.supportedScales.end(),
                       [scale](double supported) { return std::abs(supported - scale) < 1e-4; });
}

const Monitor* findMonitor(const DisplayConfigState& state, const MonitorKey& key) {
    const auto found = std::find_if(state.monitors.begin(), state.monitors.end(),
                                    [&](const Monitor& monitor) { return monitor.key == key; });
    return found == state.monitors.end() ? nullptr : &*found;
}

}  // namespace

std::optional<MonitorsConfig> planModeSwitch(const DisplayConfigState& state,
                                             const QString& connector, const QString& modeId) {
    MonitorsConfig config;
    config.serial = state.serial;
    if (state.supportsChangingLayoutMode) {
        config.properties.insert(QStringLiteral("layout-mode"), state.layoutMode);
    }

    const LogicalMonitor* target = nullptr;
    const Mode* oldMode = nullptr;
    const Mode* newMode = nullptr;
    for (const LogicalMonitor& logical : state.logicalMonitors) {
        LogicalMonitorConfig planned{logical.x,         logical.y,       logical.scale,
                                     logical.transform, logical.primary, {}};
        for (const MonitorKey& key : logical.monitors) {
            const Monitor* monitor = findMonitor(state, key);
            const Mode* current = monitor ? monitor->currentMode() : nullptr;
            if (!current) {
                return std::nullopt;
            }
            MonitorAssignment assignment{key.connector, current->id, {}};
            if (monitor->underscanning) {
                assignment.properties.insert(QStringLiteral("underscanning"),
                                             *monitor->underscanning);
            }
            if (key.connector == connector) {
                const auto found =
                    std::find_if(monitor->modes.begin(), monitor->modes.end(),
                                 [&](const Mode& mode) { return mode.id == modeId; });
                if (found == monitor->modes.end()) {
                    return std::nullopt;
                }
                target = &logical;
                oldMode = current;
                newMode = &*found;
                assignment.modeId = modeId;
                if (!supportsScale(*newMode, logical.scale)) {
                    planned.scale = newMode->preferredScale;
                }
            }
            planned.monitors.push_back(std::move(assignment));
        }
        config.logicalMonitors.push_back(std::move(planned));
    }
    if (!target) {
        return std::nullopt;
    }

    const std::size_t index = static_cast<std::size_t>(target - state.logicalMonitors.data());
    const Extent before = extent(*oldMode, target->scale, target->transform, state.layoutMode);
    const Extent after =
        extent(*newMode, config.logicalMonitors[index].scale, target->transform, state.layoutMode);
    for (std::size_t i = 0; i < config.logicalMonitors.size(); ++i) {
        LogicalMonitorConfig& other = config.logicalMonitors[i];
        if (i == index) {
            continue;
        }
        if (other.x >= target->x + before.width) {
            other.x += after.width - before.width;
        }
        if (other.y >= target->y + before.height) {
            other.y += after.height - before.height;
        }
    }
    return config;
}

}  // namespace corvane::mutter
