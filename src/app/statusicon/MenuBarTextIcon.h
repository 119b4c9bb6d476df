#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include "app/statusicon/IconCanvas.h"

namespace corvane::MenuBarTextIcon {

// Height of every tray text image, in points.
inline constexpr int kHeight = 18;

// `text` in the menu bar font and `color`, in an image one point wider than
// the text on each side and 18 points high, the text centred vertically.
QImage image(const QString& text, const QColor& color, const IconCanvas& canvas = {});

}  // namespace corvane::MenuBarTextIcon
