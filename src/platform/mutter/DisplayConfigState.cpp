#include "platform/mutter/DisplayConfigState.h"

#include <QByteArray>
#include <algorithm>
#include <bit>
#include <cmath>

#include "platform/monitor/DisplayIdentity.h"

namespace corvane::mutter {

namespace {

// Mutter fills in this word for every part of a monitor without an EDID.
const QString kUnknown = QStringLiteral("unknown");

std::optional<MonitorNames> monitorNames(const MonitorKey& key) {
    if (key.vendor == kUnknown && key.product == kUnknown && key.serial == kUnknown) {
        return std::nullopt;
    }
    return MonitorNames{key.vendor, key.product, key.serial};
}

bool holds(const LogicalMonitor& logical, const MonitorKey& key) {
    return std::find(logical.monitors.begin(), logical.monitors.end(), key) !=
           logical.monitors.end();
}

}  // namespace

const Mode* Monitor::currentMode() const {
    const auto found =
        std::find_if(modes.begin(), modes.end(), [](const Mode& mode) { return mode.isCurrent; });
    return found == modes.end() ? nullptr : &*found;
}

bool sameConfiguration(const DisplayConfigState& a, const DisplayConfigState& b) {
    return a.monitors == b.monitors && a.logicalMonitors == b.logicalMonitors &&
           a.layoutMode == b.layoutMode;
}

std::vector<OnlineMonitor> onlineMonitors(const DisplayConfigState& state) {
    std::vector<OnlineMonitor> online;
    std::vector<OutputIdentity> identities;
    for (std::size_t m = 0; m < state.monitors.size(); ++m) {
        const Monitor& monitor = state.monitors[m];
        if (!monitor.currentMode()) {
            continue;
        }
        for (std::size_t l = 0; l < state.logicalMonitors.size(); ++l) {
            if (holds(state.logicalMonitors[l], monitor.key)) {
                online.push_back({0, m, l});
                identities.push_back({monitor.key.connector, monitorNames(monitor.key)});
                break;
            }
        }
    }
    const std::vector<DisplayId> ids = assignDisplayIds(identities);
    for (std::size_t i = 0; i < online.size(); ++i) {
        online[i].id = ids[i];
    }
    return online;
}

const OnlineMonitor* mainMonitor(const DisplayConfigState& state,
                                 const std::vector<OnlineMonitor>& online) {
    for (const OnlineMonitor& each : online) {
        if (state.logicalMonitors[each.logicalMonitor].primary) {
            return &each;
        }
    }
    for (const OnlineMonitor& each : online) {
        const LogicalMonitor& logical = state.logicalMonitors[each.logicalMonitor];
        if (logical.x == 0 && logical.y == 0) {
            return &each;
        }
    }
    return online.empty() ? nullptr : &online.front();
}

std::int32_t modeIdentifier(const Mode& mode) {
    const QByteArray key = "mutter-mode\x1f" + QByteArray::number(mode.width) + 'x' +
                           QByteArray::number(mode.height) + '@' +
                           QByteArray::number(std::llround(mode.refreshRate * 1000)) +
                           (mode.isInterlaced ? "\x1fi" : "");
    const auto id = std::bit_cast<std::int32_t>(stableHash(key));
    // 0 means "no identifier" to the display service.
    return id != 0 ? id : 1;
}

PlatformMode platformMode(const Mode& mode) {
    PlatformMode result;
    result.info.id = modeIdentifier(mode);
    result.info.width = mode.width;
    result.info.height = mode.height;
    result.info.pixelWidth = mode.width;
    result.info.pixelHeight = mode.height;
    result.info.refreshRate = mode.refreshRate;
    result.usableForDesktop = !mode.isInterlaced;
    result.handle = std::bit_cast<std::uint32_t>(result.info.id);
    return result;
}

std::vector<ScreenDescription> screens(const DisplayConfigState& state,
                                       const std::vector<OnlineMonitor>& online) {
    std::vector<ScreenDescription> screens;
    for (const OnlineMonitor& each : online) {
        screens.push_back({each.id, state.monitors[each.monitor].displayName,
                           state.logicalMonitors[each.logicalMonitor].scale});
    }
    return screens;
}

}  // namespace corvane::mutter
