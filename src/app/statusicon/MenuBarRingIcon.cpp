#include "app/statusicon/MenuBarRingIcon.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace corvane::MenuBarRingIcon {

namespace {
constexpr qreal kTrackInset = 2.5;
constexpr qreal kTrackLineWidth = 2.0;
constexpr float kTrackAlpha = 0.35F;
constexpr qreal kArcLineWidth = 2.2;
}  // namespace

QImage image(double progress, const QColor& color, Appearance menuBar, const IconCanvas& canvas) {
    const QSizeF size(kSide, kSide);
    QImage result = makeIconImage(size, canvas);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing, true);
    applyContentScale(painter, size, canvas);

    const QRectF circle(kTrackInset, kTrackInset, kSide - 2 * kTrackInset, kSide - 2 * kTrackInset);
    // The track's alpha replaces the label colour's own (which is already
    // translucent) rather than fading it further.
    QColor track = namedColor(ColorRole::secondaryLabel, menuBar);
    track.setAlphaF(kTrackAlpha);
    painter.setPen(QPen(track, kTrackLineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle);

    // `!(progress > 0)` leaves the arc empty for NaN too.
    if (!(progress > 0)) {
        return result;
    }
    const double fraction = std::min(progress, 1.0);
    painter.setPen(QPen(color, kArcLineWidth, Qt::SolidLine, Qt::RoundCap));
    // Sixteenths of a degree, anticlockwise from three o'clock: start at
    // twelve and sweep clockwise.
    painter.drawArc(circle, 90 * 16, -static_cast<int>(std::lround(fraction * 360.0 * 16.0)));
    return result;
}

}  // namespace corvane::MenuBarRingIcon
