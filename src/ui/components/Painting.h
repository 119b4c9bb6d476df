#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace corvane {

void fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color);

// Strokes the outline just inside `rect`, so that the whole line stays within
// the widget that draws it.
void strokeRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color,
                       qreal lineWidth);

}  // namespace corvane
