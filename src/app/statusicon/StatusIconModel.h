#pragma once

#include <QColor>
#include <QString>
#include <optional>

#include "display/DisplayMode.h"
#include "display/MenuBarStyle.h"
#include "ui/MenuBarAppearance.h"

namespace corvane {

// Everything the tray icon depends on.
struct StatusIconInput {
    std::optional<DisplayInfo> display;  // the selected display, if any
    MenuBarIconStyle style = MenuBarIconStyle::glyph;
    MenuBarColorMode colorMode = MenuBarColorMode::system;
    Appearance menuBar = Appearance::light;  // the bar the icon sits on

    bool operator==(const StatusIconInput&) const = default;
};

// The texts, numbers and colours of the tray icon, worked out from its input
// alone.
namespace StatusIconModel {

// "120Hz" (or "자동" for a mode without a rate); "확인 중" for a display with
// no current mode; "—" when no display is selected.
QString rateText(const StatusIconInput& input);

// One line that changes whenever what the icon shows changes: style, colour
// mode, rate text, display id and mode summary, joined by "|".
QString signature(const StatusIconInput& input);

QString toolTip(const StatusIconInput& input);
QString accessibleName(const StatusIconInput& input);
// The description of the glyph style's monitor image.
QString glyphDescription();

// The number style's text: the rate text without "Hz".
QString numberText(const StatusIconInput& input);

// The ring style's filled fraction: the rate over 165 Hz, between 0.1 and
// 1; 0.45 when there is no rate to show.
double ringProgress(const StatusIconInput& input);

// Plain white on a dark bar, plain black on a light one.
QColor menuBarForegroundColor(Appearance menuBar);

// The icon's tint for the input's colour mode.
QColor menuBarColor(const StatusIconInput& input);

}  // namespace StatusIconModel

}  // namespace corvane
