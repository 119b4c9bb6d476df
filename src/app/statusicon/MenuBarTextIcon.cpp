#include "app/statusicon/MenuBarTextIcon.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/TextStyle.h"

namespace corvane::MenuBarTextIcon {

QImage image(const QString& text, const QColor& color, const IconCanvas& canvas) {
    const QFont font = menuBarFont();
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text);
    const qreal height = metrics.height();
    const QSizeF size(std::ceil(width) + 2, kHeight);

    QImage result = makeIconImage(size, canvas);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    applyContentScale(painter, size, canvas);
    // Centred vertically; a font taller than the image keeps its bottom
    // edge on the image's bottom edge rather than its top.
    const qreal fromBottom = std::max<qreal>(0, (kHeight - height) / 2);
    const qreal top = kHeight - fromBottom - height;
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(1, top + metrics.ascent()), text);
    return result;
}

}  // namespace corvane::MenuBarTextIcon
