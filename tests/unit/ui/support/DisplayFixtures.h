#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "display/DisplayMode.h"

namespace corvane::testing {

// A mode whose pixel size equals its point size, as on X11.
inline DisplayModeInfo mode(std::int32_t id, std::int64_t width, std::int64_t height, double rate) {
    return {id, width, height, width, height, rate, 0};
}

inline DisplayInfo display(DisplayId id, QString name, std::optional<DisplayModeInfo> current,
                           std::vector<DisplayModeInfo> modes = {}) {
    DisplayInfo info;
    info.id = id;
    info.name = std::move(name);
    info.currentMode = current;
    info.modes = std::move(modes);
    return info;
}

inline DisplayInfo displayAt(double rate, DisplayId id = 7) {
    return display(id, QStringLiteral("Studio 모니터"), mode(1, 1920, 1080, rate));
}

}  // namespace corvane::testing
