#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "display/DisplayMode.h"
#include "ui/DisplayPopoverView.h"

namespace corvane::samples {

// A mode whose pixel size equals its point size, as on X11.
DisplayModeInfo mode(std::int32_t id, std::int64_t width, std::int64_t height, double rate);

DisplayInfo display(DisplayId id, QString name, std::optional<DisplayModeInfo> current,
                    std::vector<DisplayModeInfo> modes = {});
// A 1920×1080 display at `rate`, as the tray icon shows it.
DisplayInfo displayAt(double rate, DisplayId id = 7);

// The main display: 2560×1440 whose current mode has no identifier and a
// rate a little off the listed 144 Hz entry, so that it matches that entry
// without being equal to it.
DisplayInfo studioDisplay();
DisplayInfo secondDisplay();
// A display that has not reported its current mode.
DisplayInfo displayWithoutMode();

// The panels people look at: two displays with the studio one selected;
// right after launch, with nothing found yet and the first update check
// running; and a selected display without a current mode.
DisplayPopoverView normalView();
DisplayPopoverView noDisplayView();
DisplayPopoverView noCurrentModeView();

}  // namespace corvane::samples
