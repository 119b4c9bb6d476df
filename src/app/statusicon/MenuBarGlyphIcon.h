#pragma once

#include <QColor>
#include <QImage>

#include "app/statusicon/IconCanvas.h"

namespace corvane::MenuBarGlyphIcon {

inline constexpr int kSide = 18;

// The "display" symbol in `color`, in an 18-point square.
QImage image(const QColor& color, const IconCanvas& canvas = {});

}  // namespace corvane::MenuBarGlyphIcon
