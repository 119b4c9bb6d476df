#pragma once

#include <QColor>
#include <QPointF>
#include <QSizeF>
#include <QStringList>
#include <QStringView>

#include "ui/TextStyle.h"

class QPainter;

namespace corvane {

// The symbol images of the tray icon and the popover ("display", "gearshape",
// "checkmark", ...), drawn as monochrome vectors in any colour, so that they
// stay sharp at every scale and never depend on an installed icon theme.
// A symbol at point size S fills roughly an S × S square, like a glyph of a
// font at that size; its strokes grow with the weight.
namespace Symbols {

QStringList names();
bool contains(QStringView name);

// Size of the symbol's ink, strokes included; empty for an unknown name.
QSizeF size(QStringView name, qreal pointSize, FontWeight weight);

// Draws the symbol with the middle of its ink on `center`. An unknown name
// draws nothing.
void draw(QPainter& painter, QStringView name, QPointF center, qreal pointSize, FontWeight weight,
          const QColor& color);

}  // namespace Symbols

}  // namespace corvane
