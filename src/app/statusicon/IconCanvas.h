#pragma once

#include <QImage>
#include <QSizeF>

class QPainter;

namespace corvane {

// How a tray image is rasterised: at the screen's device pixel ratio, and at
// a content scale around the image's centre that the pulse animates from 1.0
// to 1.14 and back. The image keeps its size while its content scales.
struct IconCanvas {
    qreal devicePixelRatio = 1.0;
    qreal scale = 1.0;
};

// A transparent image of `logicalSize` points at the canvas's pixel ratio.
QImage makeIconImage(QSizeF logicalSize, const IconCanvas& canvas);

// Applies the canvas's content scale to a painter on such an image.
void applyContentScale(QPainter& painter, QSizeF logicalSize, const IconCanvas& canvas);

}  // namespace corvane
