#pragma once

#include <QColor>
#include <QImage>

#include "app/statusicon/IconCanvas.h"
#include "ui/MenuBarAppearance.h"

namespace corvane::MenuBarRingIcon {

inline constexpr int kSide = 18;

// An 18-point ring gauge: a faint track (in the bar's secondary label
// colour) and an arc in `color` from twelve o'clock clockwise over
// `progress` of the circle (none at 0 or below, a full circle above 1).
QImage image(double progress, const QColor& color, Appearance menuBar,
             const IconCanvas& canvas = {});

}  // namespace corvane::MenuBarRingIcon
