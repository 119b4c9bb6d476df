#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "display/DisplayMode.h"
#include "display/MenuBarStyle.h"

namespace corvane {

// Everything the popover shows, as one value: nine inputs taken from the
// application state and the eleven callbacks through which every user action
// leaves the panel. The panel keeps no state of its own; its owner builds a
// new value whenever something changes and hands it over whole.
struct DisplayPopoverView {
    std::optional<DisplayInfo> display;  // the selected display
    std::vector<DisplayInfo> displays;   // all online displays, in order
    MenuBarIconStyle iconStyle = MenuBarIconStyle::glyph;
    MenuBarColorMode colorMode = MenuBarColorMode::system;
    bool animateOnChange = false;
    bool autoApplyOnLaunch = false;
    bool loginItemEnabled = false;
    // What the panel says before the first update check has reported.
    QString updateStatusMessage = QStringLiteral("자동 업데이트: 확인 중…");
    bool isCheckingForUpdate = false;

    std::function<void(DisplayId)> onSelectDisplay;
    std::function<void(const DisplayModeInfo&, DisplayId)> onSelectMode;
    std::function<void(MenuBarIconStyle)> onSelectIconStyle;
    std::function<void(MenuBarColorMode)> onSetColorMode;
    std::function<void(bool)> onSetAnimateOnChange;
    std::function<void(bool)> onSetAutoApply;
    std::function<void(bool)> onSetLoginItem;
    std::function<void()> onRefresh;
    std::function<void()> onOpenSettings;
    std::function<void()> onCheckForUpdate;
    std::function<void()> onQuit;
};

}  // namespace corvane
