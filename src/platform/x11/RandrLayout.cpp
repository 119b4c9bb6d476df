#include "platform/x11/RandrLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/monitor/DisplayIdentity.h"
#include "platform/x11/ModeIdentity.h"

namespace corvane::x11 {

namespace {

template <typename T>
const T* findByXid(const std::vector<T>& items, std::uint32_t xid) {
    const auto found =
        std::find_if(items.begin(), items.end(), [xid](const T& item) { return item.xid == xid; });
    return found == items.end() ? nullptr : &*found;
}

// The right and bottom edges of the screen area a CRTC covers in `mode`.
ScreenSize crtcExtent(const RandrCrtc& crtc, const RandrMode& mode) {
    // A quarter turn swaps the mode's sides.
    const bool turned = (crtc.rotation & (kRotate90 | kRotate270)) != 0;
    const double width = turned ? mode.height : mode.width;
    const double height = turned ? mode.width : mode.height;
    double right = width;
    double bottom = height;
    if (crtc.transform) {
        // The bounding box of the four corners mapped through the transform.
        const CrtcTransform& m = *crtc.transform;
        right = 0;
        bottom = 0;
        for (const auto& [cx, cy] : {std::pair{0.0, 0.0}, std::pair{width, 0.0},
                                     std::pair{width, height}, std::pair{0.0, height}}) {
            const double w = m[6] * cx + m[7] * cy + m[8];
            if (w <= 0) {
                continue;  // a point at infinity bounds nothing
            }
            right = std::max(right, (m[0] * cx + m[1] * cy + m[2]) / w);
            bottom = std::max(bottom, (m[3] * cx + m[4] * cy + m[5]) / w);
        }
    }
    const auto edge = [](std::int32_t origin, double size) {
        return static_cast<std::uint32_t>(std::max(0.0, origin + std::ceil(size)));
    };
    ScreenSize extent{edge(crtc.x, right), edge(crtc.y, bottom)};
    if (crtc.panning.width > 0 && crtc.panning.height > 0) {
        extent.width = std::max(extent.width, crtc.panning.left + crtc.panning.width);
        extent.height = std::max(extent.height, crtc.panning.top + crtc.panning.height);
    }
    return extent;
}

}  // namespace

const RandrMode* RandrLayout::findMode(std::uint32_t xid) const {
    // Servers know hundreds of modes, and every listed mode is looked up.
    const auto found = std::lower_bound(
        modes.begin(), modes.end(), xid,
        [](const RandrMode& mode, std::uint32_t wanted) { return mode.xid < wanted; });
    return found != modes.end() && found->xid == xid ? &*found : nullptr;
}

const RandrCrtc* RandrLayout::findCrtc(std::uint32_t xid) const {
    return findByXid(crtcs, xid);
}

const RandrOutput* RandrLayout::findOutput(std::uint32_t xid) const {
    return findByXid(outputs, xid);
}

std::vector<OnlineDisplay> onlineDisplays(const RandrLayout& layout) {
    std::vector<OnlineDisplay> online;
    std::vector<OutputIdentity> identities;
    for (const RandrOutput& output : layout.outputs) {
        const RandrCrtc* crtc = layout.findCrtc(output.crtc);
        if (!output.connected || !crtc || crtc->mode == 0) {
            continue;
        }
        OnlineDisplay display;
        display.output = output.xid;
        display.crtc = crtc->xid;
        display.outputName = output.name;
        if (!output.edid.isEmpty()) {
            // An EDID that does not parse identifies nothing: the output
            // name stands in, as for a monitor without one.
            const std::variant<Edid, EdidError> parsed = parseEdid(output.edid);
            if (const Edid* edid = std::get_if<Edid>(&parsed)) {
                display.edid = *edid;
            }
        }
        identities.push_back({display.outputName, display.edid
                                                      ? std::optional(monitorNames(*display.edid))
                                                      : std::nullopt});
        online.push_back(std::move(display));
    }
    const std::vector<DisplayId> ids = assignDisplayIds(identities);
    for (std::size_t i = 0; i < online.size(); ++i) {
        online[i].id = ids[i];
    }
    return online;
}

const OnlineDisplay* mainDisplay(const RandrLayout& layout,
                                 const std::vector<OnlineDisplay>& online) {
    for (const OnlineDisplay& display : online) {
        if (layout.primaryOutput != 0 && display.output == layout.primaryOutput) {
            return &display;
        }
    }
    for (const OnlineDisplay& display : online) {
        const RandrCrtc* crtc = layout.findCrtc(display.crtc);
        if (crtc && crtc->x == 0 && crtc->y == 0) {
            return &display;
        }
    }
    return online.empty() ? nullptr : &online.front();
}

double refreshRate(const RandrMode& mode) {
    if (mode.dotClock == 0 || mode.hTotal == 0 || mode.vTotal == 0) {
        return 0;
    }
    double rate = static_cast<double>(mode.dotClock) /
                  (static_cast<double>(mode.hTotal) * static_cast<double>(mode.vTotal));
    if ((mode.flags & kModeFlagInterlace) != 0) {
        rate *= 2;
    }
    if ((mode.flags & kModeFlagDoubleScan) != 0) {
        rate /= 2;
    }
    return rate;
}

PlatformMode platformMode(const RandrMode& mode) {
    PlatformMode result;
    result.info.id = stableModeId(mode);
    result.info.width = mode.width;
    result.info.height = mode.height;
    result.info.pixelWidth = mode.width;
    result.info.pixelHeight = mode.height;
    result.info.refreshRate = refreshRate(mode);
    result.info.ioFlags = mode.flags;
    result.usableForDesktop = (mode.flags & (kModeFlagInterlace | kModeFlagDoubleScan)) == 0;
    result.handle = mode.xid;
    return result;
}

std::vector<PlatformMode> outputModes(const RandrLayout& layout, const RandrOutput& output) {
    std::vector<PlatformMode> modes;
    modes.reserve(output.modes.size());
    for (std::uint32_t xid : output.modes) {
        const bool listedBefore =
            std::any_of(modes.begin(), modes.end(),
                        [xid](const PlatformMode& mode) { return mode.handle == xid; });
        const RandrMode* mode = layout.findMode(xid);
        if (mode && !listedBefore) {
            modes.push_back(platformMode(*mode));
        }
    }
    return modes;
}

std::optional<PlatformMode> currentMode(const RandrLayout& layout, const OnlineDisplay& display) {
    const RandrCrtc* crtc = layout.findCrtc(display.crtc);
    const RandrMode* mode = crtc ? layout.findMode(crtc->mode) : nullptr;
    if (!mode) {
        return std::nullopt;
    }
    return platformMode(*mode);
}

std::optional<ModeSwitchPlan> planModeSwitch(const RandrLayout& layout, std::uint32_t output,
                                             std::uint32_t mode) {
    const RandrOutput* target = layout.findOutput(output);
    const RandrCrtc* crtc = target ? layout.findCrtc(target->crtc) : nullptr;
    const RandrMode* newMode = layout.findMode(mode);
    if (!target || !target->connected || !crtc || crtc->mode == 0 || !newMode) {
        return std::nullopt;
    }

    ModeSwitchPlan plan;
    plan.crtc = crtc->xid;
    plan.x = crtc->x;
    plan.y = crtc->y;
    plan.mode = mode;
    plan.rotation = crtc->rotation;
    plan.outputs = crtc->outputs;

    // The screen every active CRTC needs once the switch is done.
    ScreenSize needed;
    for (const RandrCrtc& each : layout.crtcs) {
        const RandrMode* eachMode = each.xid == crtc->xid ? newMode : layout.findMode(each.mode);
        if (!eachMode) {
            continue;
        }
        const ScreenSize extent = crtcExtent(each, *eachMode);
        needed.width = std::max(needed.width, extent.width);
        needed.height = std::max(needed.height, extent.height);
    }

    ScreenSize during = layout.screen;
    if (needed.width > during.width || needed.height > during.height) {
        during = {std::max(needed.width, during.width), std::max(needed.height, during.height)};
        plan.growTo = during;
    }
    if (needed != during) {
        plan.shrinkTo = needed;
    }
    return plan;
}

}  // namespace corvane::x11
