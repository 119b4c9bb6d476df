#include "app/statusicon/StatusIconModel.h"

#include <QStringList>
#include <algorithm>

#include "display/RefreshRateFormatter.h"

namespace corvane::StatusIconModel {

namespace {

constexpr double kRingFullScaleHz = 165.0;
constexpr double kRingMinimum = 0.1;
constexpr double kRingUnknown = 0.45;
constexpr double kAdaptiveSlowBelowHz = 60.0;
constexpr double kAdaptiveFastFromHz = 100.0;

const DisplayModeInfo* currentMode(const StatusIconInput& input) {
    if (!input.display || !input.display->currentMode) {
        return nullptr;
    }
    return &*input.display->currentMode;
}

// A positive rate of the current mode, or nothing.
std::optional<double> currentRate(const StatusIconInput& input) {
    const DisplayModeInfo* mode = currentMode(input);
    if (mode == nullptr || !(mode->refreshRate > 0)) {
        return std::nullopt;
    }
    return mode->refreshRate;
}

}  // namespace

QString rateText(const StatusIconInput& input) {
    if (!input.display) {
        return QStringLiteral("—");
    }
    const DisplayModeInfo* mode = currentMode(input);
    if (mode == nullptr) {
        return QStringLiteral("확인 중");
    }
    return RefreshRateFormatter::text(mode->refreshRate);
}

QString signature(const StatusIconInput& input) {
    QString displayField = QStringLiteral("none");
    QString modeField = QStringLiteral("unknown");
    if (input.display) {
        displayField = QString::number(input.display->id);
        const DisplayModeInfo* mode = currentMode(input);
        modeField = mode != nullptr ? mode->modeSummaryText() : QStringLiteral("확인 중");
    }
    return QStringList{persistedWord(input.style), persistedWord(input.colorMode), rateText(input),
                       displayField, modeField}
        .join(QLatin1Char('|'));
}

QString toolTip(const StatusIconInput& input) {
    return QStringLiteral("화면 주사율: ") + rateText(input);
}

QString accessibleName(const StatusIconInput& input) {
    return QStringLiteral("화면 주사율 ") + rateText(input);
}

QString glyphDescription() {
    return QStringLiteral("디스플레이");
}

QString numberText(const StatusIconInput& input) {
    return rateText(input).remove(QStringLiteral("Hz"));
}

double ringProgress(const StatusIconInput& input) {
    const std::optional<double> rate = currentRate(input);
    if (!rate) {
        return kRingUnknown;
    }
    return std::min(std::max(*rate / kRingFullScaleHz, kRingMinimum), 1.0);
}

QColor menuBarForegroundColor(Appearance menuBar) {
    return menuBar == Appearance::dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
}

QColor menuBarColor(const StatusIconInput& input) {
    switch (input.colorMode) {
        case MenuBarColorMode::system:
            return menuBarForegroundColor(input.menuBar);
        case MenuBarColorMode::blue:
            return namedColor(ColorRole::systemBlue, input.menuBar);
        case MenuBarColorMode::green:
            return namedColor(ColorRole::systemGreen, input.menuBar);
        case MenuBarColorMode::orange:
            return namedColor(ColorRole::systemOrange, input.menuBar);
        case MenuBarColorMode::purple:
            return namedColor(ColorRole::systemPurple, input.menuBar);
        case MenuBarColorMode::adaptive: {
            const std::optional<double> rate = currentRate(input);
            if (!rate || *rate >= kAdaptiveFastFromHz) {
                return namedColor(ColorRole::systemBlue, input.menuBar);
            }
            return namedColor(
                *rate < kAdaptiveSlowBelowHz ? ColorRole::systemOrange : ColorRole::systemYellow,
                input.menuBar);
        }
    }
    return menuBarForegroundColor(input.menuBar);
}

}  // namespace corvane::StatusIconModel
