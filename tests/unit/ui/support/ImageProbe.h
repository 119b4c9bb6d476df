#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <cmath>
#include <numbers>

namespace corvane::testing {

// The colour of a pixel, unpremultiplied, addressed in device-independent
// points of an image drawn at any pixel ratio.
inline QColor colorAt(const QImage& image, QPointF point) {
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(static_cast<int>(point.x() * ratio),
                            static_cast<int>(point.y() * ratio));
}

// A point on a circle, `degrees` clockwise from twelve o'clock.
inline QPointF onCircle(QPointF center, qreal radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    return {center.x() + radius * std::sin(radians), center.y() - radius * std::cos(radians)};
}

// True when `actual` is `expected`'s hue: each channel within `tolerance`.
inline bool sameRgb(const QColor& actual, const QColor& expected, int tolerance = 8) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

// The bounding box, in pixels, of pixels at least `minimumAlpha` opaque.
inline QRect inkBounds(const QImage& image, int minimumAlpha = 1) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).alpha() >= minimumAlpha) {
                bounds = bounds.united(QRect(x, y, 1, 1));
            }
        }
    }
    return bounds;
}

// How many pixels of `image` (of `area` alone, when given) pass `test`.
template <typename Test>
int countPixels(const QImage& image, Test test, QRect area = {}) {
    area = area.isNull() ? image.rect() : area;
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += test(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}

}  // namespace corvane::testing
