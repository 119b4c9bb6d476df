#include "ui/components/Painting.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace corvane {

void fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color) {
    if (color.alpha() == 0) {
        return;
    }
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(path, color);
    painter.restore();
}

void strokeRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color,
                       qreal lineWidth) {
    const qreal inset = lineWidth / 2.0;
    const QRectF inner = rect.adjusted(inset, inset, -inset, -inset);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(color, lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(inner, radius - inset, radius - inset);
    painter.restore();
}

}  // namespace corvane
