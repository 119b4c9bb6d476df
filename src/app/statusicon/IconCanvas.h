#pragma once

#include <QImage>
#include <QSizeF>

class QPainter;

namespace corvane {

// The pulse grows the icon's content to this scale and back.
inline constexpr qreal kPulsePeakScale = 1.14;

// How a tray image is rasterised: at the device pixel ratio of the tray's
// screen, and at a content scale around the image's centre that the pulse
// animates from 1.0 to 1.14 and back.
//
// Every frame of a pulse has the same image size: the image leaves room for
// the largest scale a frame will use (`headroom`), so that no frame is
// clipped. When the tray host's slot is known the image is exactly that
// size, which the host then shows pixel for pixel; content whose largest
// frame would not fit is shrunk to fit, never grown.
struct IconCanvas {
    qreal devicePixelRatio = 1.0;
    qreal scale = 1.0;
    qreal headroom = 1.0;
    QSizeF slot{};  // in points; empty when the host's slot is not known
};

// A transparent image, at the canvas's pixel ratio, for content of
// `contentSize` points: the slot, or the content with room for the headroom.
QImage makeIconImage(QSizeF contentSize, const IconCanvas& canvas);

// Maps content coordinates onto such an image: centred, at the canvas's
// content scale.
void applyContentScale(QPainter& painter, QSizeF contentSize, const IconCanvas& canvas);

}  // namespace corvane
