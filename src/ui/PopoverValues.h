#pragma once

#include <QString>
#include <vector>

#include "display/DisplayMode.h"
#include "display/MenuBarStyle.h"
#include "ui/DisplayPopoverView.h"

// What the popover shows, worked out from its inputs alone. Every text,
// mark and gauge value the panel draws comes from here, so the rules can be
// checked without a screen.
namespace corvane::PopoverValues {

// "✓ 현재 · ": the mark in front of the current display's and mode's entries.
QString currentMark();

// Status card.
double gaugeValue(const DisplayPopoverView& view);
QString rateNumber(const DisplayPopoverView& view);
// What a screen reader says for the rate: the rate with its unit ("144Hz",
// or "자동"), "확인 중" while the display reports no mode; never a dash.
QString rateAccessibleName(const DisplayPopoverView& view);
QString sizeLine(const DisplayPopoverView& view);

// Appearance section.
QString numberPreview(const DisplayPopoverView& view);
QString pulseDescription(const DisplayPopoverView& view);
QString iconStyleTitle(MenuBarIconStyle style);

// Selection section.
QString colorModeShortTitle(MenuBarColorMode mode);
QString swatchAccessibleName(MenuBarColorMode mode);
bool isSwatchSelected(const DisplayPopoverView& view, MenuBarColorMode mode);
QString displayRowValue(const DisplayPopoverView& view);
QString modeRowValue(const DisplayPopoverView& view);

struct DisplayEntry {
    DisplayId id = 0;
    QString title;
};
// One entry per element of `displays`, in order.
std::vector<DisplayEntry> displayEntries(const DisplayPopoverView& view);

struct ModeEntry {
    DisplayModeInfo mode;
    QString title;
};
// One entry per element of the selected display's menu modes, in order;
// none without a selected display.
std::vector<ModeEntry> modeEntries(const DisplayPopoverView& view);

// Footer menu.
QString updateStatusLine(const DisplayPopoverView& view);
QString updateButtonTitle(const DisplayPopoverView& view);

}  // namespace corvane::PopoverValues
