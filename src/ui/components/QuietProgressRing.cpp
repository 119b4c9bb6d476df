#include "ui/components/QuietProgressRing.h"

#include <QPainter>
#include <QPen>
#include <cmath>

namespace corvane {

QuietProgressRing::QuietProgressRing(QWidget* parent) : QWidget(parent) {
    setFixedSize(kRingDiameter + kLineWidth, kRingDiameter + kLineWidth);
}

double QuietProgressRing::clampedProgress(double progress) {
    if (!(progress > 0)) {
        return 0;
    }
    return progress > 1 ? 1.0 : progress;
}

void QuietProgressRing::setContent(double progress, ColorRole tint) {
    if (std::abs(progress - progress_) < 1e-12 && tint == tint_) {
        return;
    }
    progress_ = progress;
    tint_ = tint;
    update();
}

void QuietProgressRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const Appearance appearance = appearanceOf(this);
    const qreal inset = kLineWidth / 2.0;
    const QRectF circle = QRectF(rect()).adjusted(inset, inset, -inset, -inset);

    painter.setPen(QPen(withOpacity(namedColor(ColorRole::secondaryLabel, appearance), 0.15),
                        kLineWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(circle);

    const double fraction = clampedProgress(progress_);
    if (fraction <= 0) {
        return;
    }
    painter.setPen(QPen(namedColor(tint_, appearance), kLineWidth, Qt::SolidLine, Qt::RoundCap));
    // Qt counts angles in sixteenths of a degree, anticlockwise from three
    // o'clock: start at twelve and sweep clockwise.
    const int span = -static_cast<int>(std::lround(fraction * 360.0 * 16.0));
    painter.drawArc(circle, 90 * 16, span);
}

}  // namespace corvane
