#include "display/DisplayMode.h"

#include <cmath>

#include "display/RefreshRateFormatter.h"

namespace corvane {

namespace {

bool hasRate(double rate) {
    return rate > 0;
}

// A mode is high-density when each axis has at least 1.9 device pixels per
// point; 1.9 rather than 2 lets scaled modes such as 1.92x count.
bool isHighDensity(const DisplayModeInfo& mode) {
    if (mode.width < 1 || mode.height < 1) {
        return false;
    }
    const double horizontal =
        static_cast<double>(mode.pixelWidth) / static_cast<double>(mode.width);
    const double vertical =
        static_cast<double>(mode.pixelHeight) / static_cast<double>(mode.height);
    return horizontal >= 1.9 && vertical >= 1.9;
}

}  // namespace

bool hasSameSizeAndRate(const DisplayModeInfo& a, const DisplayModeInfo& b) {
    if (a.width != b.width || a.height != b.height || a.pixelWidth != b.pixelWidth ||
        a.pixelHeight != b.pixelHeight) {
        return false;
    }
    if (!hasRate(a.refreshRate) || !hasRate(b.refreshRate)) {
        return hasRate(a.refreshRate) == hasRate(b.refreshRate);
    }
    return std::fabs(a.refreshRate - b.refreshRate) < 0.1;
}

bool DisplayModeInfo::matches(const DisplayModeInfo& other) const {
    if (id != 0 && id == other.id) {
        return true;
    }
    return hasSameSizeAndRate(*this, other);
}

QString DisplayModeInfo::modeSummaryText() const {
    return QStringLiteral("%1×%2 · %3")
        .arg(width)
        .arg(height)
        .arg(RefreshRateFormatter::text(refreshRate));
}

std::vector<DisplayModeInfo> DisplayInfo::hiDPIModes() const {
    if (backingScaleFactor >= 2.0) {
        return modes;
    }
    std::vector<DisplayModeInfo> result;
    for (const DisplayModeInfo& mode : modes) {
        if (isHighDensity(mode)) {
            result.push_back(mode);
        }
    }
    return result;
}

std::vector<DisplayModeInfo> DisplayInfo::menuModes() const {
    std::vector<DisplayModeInfo> result = hiDPIModes();
    if (result.empty()) {
        return modes;
    }
    if (!currentMode) {
        return result;
    }
    for (const DisplayModeInfo& mode : result) {
        if (mode.matches(*currentMode)) {
            return result;
        }
    }
    result.push_back(*currentMode);
    return result;
}

}  // namespace corvane
