#include "ui/PopoverValues.h"

#include <algorithm>

#include "display/RefreshRateFormatter.h"

namespace corvane::PopoverValues {

namespace {

// The ring's full circle stands for 165 Hz.
constexpr double kFullScaleHz = 165.0;
constexpr double kGaugeFloor = 0.08;
constexpr double kGaugeUnknown = 0.45;

const DisplayModeInfo* currentMode(const DisplayPopoverView& view) {
    if (!view.display || !view.display->currentMode) {
        return nullptr;
    }
    return &*view.display->currentMode;
}

QString withoutHz(QString text) {
    return text.remove(QStringLiteral("Hz"));
}

// Names are compared as users see them: a name spelled with composed Hangul
// syllables equals the same name spelled with separate jamo.
bool sameName(const QString& a, const QString& b) {
    return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

}  // namespace

QString currentMark() {
    return QStringLiteral("✓ 현재 · ");
}

double gaugeValue(const DisplayPopoverView& view) {
    const DisplayModeInfo* current = currentMode(view);
    // `!(rate > 0)` also sends a NaN rate to the neutral value.
    if (current == nullptr || !(current->refreshRate > 0)) {
        return kGaugeUnknown;
    }
    return std::min(std::max(current->refreshRate / kFullScaleHz, kGaugeFloor), 1.0);
}

QString rateNumber(const DisplayPopoverView& view) {
    const DisplayModeInfo* current = currentMode(view);
    if (current == nullptr) {
        return QStringLiteral("—");
    }
    return withoutHz(RefreshRateFormatter::text(current->refreshRate));
}

QString rateAccessibleName(const DisplayPopoverView& view) {
    const DisplayModeInfo* current = currentMode(view);
    return current != nullptr ? RefreshRateFormatter::text(current->refreshRate)
                              : QStringLiteral("확인 중");
}

QString sizeLine(const DisplayPopoverView& view) {
    const DisplayModeInfo* current = currentMode(view);
    if (current == nullptr) {
        return QStringLiteral("해상도 확인 중…");
    }
    return QStringLiteral("%1×%2").arg(current->width).arg(current->height);
}

QString numberPreview(const DisplayPopoverView& view) {
    if (!view.display) {
        return QStringLiteral("60");
    }
    const DisplayModeInfo* current = currentMode(view);
    if (current == nullptr) {
        return QStringLiteral("확인 중");
    }
    return withoutHz(RefreshRateFormatter::text(current->refreshRate));
}

QString pulseDescription(const DisplayPopoverView& view) {
    return view.animateOnChange ? QStringLiteral("값이 바뀔 때만 짧게 pulse")
                                : QStringLiteral("아이콘을 항상 정지 상태로 유지");
}

QString iconStyleTitle(MenuBarIconStyle style) {
    switch (style) {
        case MenuBarIconStyle::glyph:
            return QStringLiteral("Glyph");
        case MenuBarIconStyle::number:
            return QStringLiteral("Number");
        case MenuBarIconStyle::ring:
            return QStringLiteral("Ring");
    }
    return {};
}

QString colorModeShortTitle(MenuBarColorMode mode) {
    switch (mode) {
        case MenuBarColorMode::system:
            return QStringLiteral("기본");
        case MenuBarColorMode::blue:
            return QStringLiteral("파랑");
        case MenuBarColorMode::green:
            return QStringLiteral("초록");
        case MenuBarColorMode::orange:
            return QStringLiteral("주황");
        case MenuBarColorMode::purple:
            return QStringLiteral("보라");
        case MenuBarColorMode::adaptive:
            return QStringLiteral("자동");
    }
    return {};
}

QString swatchAccessibleName(MenuBarColorMode mode) {
    return QStringLiteral("메뉴막대 색상 ") + colorModeShortTitle(mode);
}

bool isSwatchSelected(const DisplayPopoverView& view, MenuBarColorMode mode) {
    return view.colorMode == mode;
}

QString displayRowValue(const DisplayPopoverView& view) {
    return view.display ? view.display->name : QStringLiteral("확인 중…");
}

QString modeRowValue(const DisplayPopoverView& view) {
    if (!view.display) {
        return QStringLiteral("확인 중…");
    }
    const DisplayModeInfo* current = currentMode(view);
    return current != nullptr ? current->modeSummaryText() : QStringLiteral("확인 중");
}

std::vector<DisplayEntry> displayEntries(const DisplayPopoverView& view) {
    std::vector<DisplayEntry> entries;
    entries.reserve(view.displays.size());
    for (const DisplayInfo& candidate : view.displays) {
        const bool marked = view.display && sameName(candidate.name, view.display->name);
        entries.push_back({candidate.id, marked ? currentMark() + candidate.name : candidate.name});
    }
    return entries;
}

std::vector<ModeEntry> modeEntries(const DisplayPopoverView& view) {
    std::vector<ModeEntry> entries;
    if (!view.display) {
        return entries;
    }
    const DisplayModeInfo* current = currentMode(view);
    for (const DisplayModeInfo& mode : view.display->menuModes()) {
        const bool marked = current != nullptr && current->matches(mode);
        const QString summary = mode.modeSummaryText();
        entries.push_back({mode, marked ? currentMark() + summary : summary});
    }
    return entries;
}

QString updateStatusLine(const DisplayPopoverView& view) {
    return QStringLiteral("업데이트: ") + view.updateStatusMessage;
}

QString updateButtonTitle(const DisplayPopoverView& view) {
    return view.isCheckingForUpdate ? QStringLiteral("업데이트 확인 중…")
                                    : QStringLiteral("업데이트 확인");
}

}  // namespace corvane::PopoverValues
