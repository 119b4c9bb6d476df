#include "app/statusicon/IconCanvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

qreal ratioOf(const IconCanvas& canvas) {
    return canvas.devicePixelRatio > 0 ? canvas.devicePixelRatio : 1.0;
}

qreal headroomOf(const IconCanvas& canvas) {
    return std::max<qreal>(canvas.headroom, 1.0);
}

// The image's size in whole device pixels.
QSize pixelSize(QSizeF contentSize, const IconCanvas& canvas) {
    const QSizeF points = canvas.slot.isEmpty() ? contentSize * headroomOf(canvas) : canvas.slot;
    const qreal ratio = ratioOf(canvas);
    return {static_cast<int>(std::ceil(points.width() * ratio - 1e-9)),
            static_cast<int>(std::ceil(points.height() * ratio - 1e-9))};
}

}  // namespace

QImage makeIconImage(QSizeF contentSize, const IconCanvas& canvas) {
    QImage image(pixelSize(contentSize, canvas), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratioOf(canvas));
    image.fill(Qt::transparent);
    return image;
}

void applyContentScale(QPainter& painter, QSizeF contentSize, const IconCanvas& canvas) {
    const qreal ratio = ratioOf(canvas);
    const QSizeF size = QSizeF(pixelSize(contentSize, canvas)) / ratio;
    const QSizeF largest = contentSize * headroomOf(canvas);
    const qreal fit =
        std::min({1.0, size.width() / largest.width(), size.height() / largest.height()});
    const qreal scale = canvas.scale * fit;
    // The content's corner on whole device pixels, so that a frame at its
    // natural size is drawn as sharply as one without a canvas.
    const QPointF corner((size.width() - contentSize.width() * scale) / 2,
                         (size.height() - contentSize.height() * scale) / 2);
    painter.translate(std::round(corner.x() * ratio) / ratio,
                      std::round(corner.y() * ratio) / ratio);
    if (std::abs(scale - 1.0) > 1e-9) {
        painter.scale(scale, scale);
    }
}

}  // namespace corvane
