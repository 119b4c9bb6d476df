#include "ui/components/QuietRateReadout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/MenuBarAppearance.h"
#include "ui/TextStyle.h"

namespace corvane {

namespace {

constexpr qreal kSpacing = 3;

QFont numberFont() {
    return systemFont(28, FontWeight::bold);
}
QFont unitFont() {
    return systemFont(12, FontWeight::semibold);
}
QString unit() {
    return QStringLiteral("Hz");
}

}  // namespace

QuietRateReadout::QuietRateReadout(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void QuietRateReadout::setNumber(const QString& number, const QString& spoken) {
    if (spoken != accessibleName()) {
        setAccessibleName(spoken);
    }
    if (number == number_) {
        return;
    }
    number_ = number;
    updateGeometry();
    update();
}

QSize QuietRateReadout::sizeHint() const {
    const QFontMetricsF big(numberFont());
    const QFontMetricsF small(unitFont());
    const qreal width = big.horizontalAdvance(number_) + kSpacing + small.horizontalAdvance(unit());
    const qreal height =
        std::max(big.ascent(), small.ascent()) + std::max(big.descent(), small.descent());
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

void QuietRateReadout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const Appearance appearance = appearanceOf(this);
    const QFontMetricsF big(numberFont());
    const QFontMetricsF small(unitFont());
    const qreal baseline = std::max(big.ascent(), small.ascent());
    // Right-aligned, so a shorter number keeps "Hz" at the trailing edge.
    const qreal unitLeft = width() - small.horizontalAdvance(unit());
    const qreal numberLeft = unitLeft - kSpacing - big.horizontalAdvance(number_);

    painter.setFont(numberFont());
    painter.setPen(namedColor(ColorRole::label, appearance));
    painter.drawText(QPointF(numberLeft, baseline), number_);
    painter.setFont(unitFont());
    painter.setPen(namedColor(ColorRole::secondaryLabel, appearance));
    painter.drawText(QPointF(unitLeft, baseline), unit());
}

}  // namespace corvane
