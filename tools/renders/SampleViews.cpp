#include "SampleViews.h"

namespace corvane::samples {

DisplayModeInfo mode(std::int32_t id, std::int64_t width, std::int64_t height, double rate) {
    return {id, width, height, width, height, rate, 0};
}

DisplayInfo display(DisplayId id, QString name, std::optional<DisplayModeInfo> current,
                    std::vector<DisplayModeInfo> modes) {
    DisplayInfo info;
    info.id = id;
    info.name = std::move(name);
    info.currentMode = current;
    info.modes = std::move(modes);
    return info;
}

DisplayInfo displayAt(double rate, DisplayId id) {
    return display(id, QStringLiteral("Studio 모니터"), mode(1, 1920, 1080, rate));
}

DisplayInfo studioDisplay() {
    DisplayInfo info = display(101, QStringLiteral("Studio 모니터"), mode(0, 2560, 1440, 143.98),
                               {mode(11, 2560, 1440, 59.94), mode(12, 2560, 1440, 144.0),
                                mode(13, 1920, 1080, 60.0), mode(14, 1920, 1080, 120.0)});
    info.isMain = true;
    return info;
}

DisplayInfo secondDisplay() {
    return display(202, QStringLiteral("LG HDR 4K"), mode(21, 3840, 2160, 60.0),
                   {mode(21, 3840, 2160, 60.0), mode(22, 2560, 1440, 59.94)});
}

DisplayInfo displayWithoutMode() {
    return display(303, QStringLiteral("DELL U2720Q"), std::nullopt,
                   {mode(31, 2560, 1440, 60.0), mode(32, 1920, 1080, 60.0)});
}

DisplayPopoverView normalView() {
    DisplayPopoverView view;
    view.display = studioDisplay();
    view.displays = {studioDisplay(), secondDisplay()};
    view.iconStyle = MenuBarIconStyle::ring;
    view.colorMode = MenuBarColorMode::adaptive;
    view.animateOnChange = true;
    view.loginItemEnabled = true;
    view.updateStatusMessage = QStringLiteral("최신 버전입니다");
    return view;
}

DisplayPopoverView noDisplayView() {
    DisplayPopoverView view;
    view.updateStatusMessage = QStringLiteral("자동 업데이트: 확인 중…");
    view.isCheckingForUpdate = true;
    return view;
}

DisplayPopoverView noCurrentModeView() {
    DisplayPopoverView view = normalView();
    view.display = displayWithoutMode();
    view.displays = {displayWithoutMode()};
    view.iconStyle = MenuBarIconStyle::number;
    view.colorMode = MenuBarColorMode::system;
    view.animateOnChange = false;
    return view;
}

}  // namespace corvane::samples
