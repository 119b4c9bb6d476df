#include "app/statusicon/IconCanvas.h"

#include <QPainter>
#include <cmath>

namespace corvane {

QImage makeIconImage(QSizeF logicalSize, const IconCanvas& canvas) {
    const qreal ratio = canvas.devicePixelRatio > 0 ? canvas.devicePixelRatio : 1.0;
    QImage image(static_cast<int>(std::ceil(logicalSize.width() * ratio - 1e-9)),
                 static_cast<int>(std::ceil(logicalSize.height() * ratio - 1e-9)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

void applyContentScale(QPainter& painter, QSizeF logicalSize, const IconCanvas& canvas) {
    if (std::abs(canvas.scale - 1.0) < 1e-9) {
        return;
    }
    const QPointF center(logicalSize.width() / 2, logicalSize.height() / 2);
    painter.translate(center);
    painter.scale(canvas.scale, canvas.scale);
    painter.translate(-center);
}

}  // namespace corvane
