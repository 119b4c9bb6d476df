#include "ui/components/QuietNavigationRow.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/MenuBarAppearance.h"
#include "ui/Symbols.h"
#include "ui/TextStyle.h"
#include "ui/components/Painting.h"

namespace corvane {

namespace {

constexpr qreal kPaddingH = 11;
constexpr qreal kPaddingV = 9;
constexpr qreal kSpacing = 10;
constexpr qreal kSymbolFrameWidth = 22;
constexpr qreal kSymbolSize = 14;
constexpr qreal kChevronSize = 10;
constexpr qreal kTextSpacing = 2;
constexpr qreal kMinimumGap = 8;
constexpr qreal kCornerRadius = 10;

QFont titleFont() {
    return systemFont(12, FontWeight::medium);
}
QFont valueFont() {
    return systemFont(13, FontWeight::semibold);
}

qreal textStackHeight() {
    return QFontMetricsF(titleFont()).height() + kTextSpacing + QFontMetricsF(valueFont()).height();
}

qreal contentHeight() {
    const qreal symbol =
        Symbols::size(u"slider.horizontal.3", kSymbolSize, FontWeight::medium).height();
    return std::max(textStackHeight(), symbol);
}

}  // namespace

QuietNavigationRow::QuietNavigationRow(QWidget* parent) : QuietButton(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleRole(QAccessible::ButtonMenu);
}

qreal QuietNavigationRow::focusRingRadius() const {
    return kCornerRadius;
}

void QuietNavigationRow::setContent(const QString& systemName, const QString& title,
                                    const QString& value) {
    if (systemName == systemName_ && title == title_ && value == value_) {
        return;
    }
    systemName_ = systemName;
    title_ = title;
    value_ = value;
    setAccessibleName(title);
    setAccessibleDescription(value);
    update();
}

QSize QuietNavigationRow::sizeHint() const {
    const qreal textWidth = std::max(QFontMetricsF(titleFont()).horizontalAdvance(title_),
                                     QFontMetricsF(valueFont()).horizontalAdvance(value_));
    const qreal chevron =
        Symbols::size(u"chevron.up.chevron.down", kChevronSize, FontWeight::semibold).width();
    const qreal width = 2 * kPaddingH + kSymbolFrameWidth + kSpacing + textWidth + kSpacing +
                        kMinimumGap + kSpacing + chevron;
    return {static_cast<int>(std::ceil(width)),
            static_cast<int>(std::ceil(2 * kPaddingV + contentHeight()))};
}

QSize QuietNavigationRow::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void QuietNavigationRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const Appearance appearance = appearanceOf(this);
    const QRectF bounds(rect());
    fillRoundedRect(painter, bounds, kCornerRadius,
                    namedColor(ColorRole::controlBackground, appearance));
    strokeRoundedRect(painter, bounds, kCornerRadius,
                      withOpacity(namedColor(ColorRole::label, appearance), 0.07), 1.0);

    painter.setOpacity(faceOpacity());
    const qreal middle = bounds.center().y();
    Symbols::draw(painter, systemName_, QPointF(kPaddingH + kSymbolFrameWidth / 2, middle),
                  kSymbolSize, FontWeight::medium, namedColor(ColorRole::accent, appearance));

    const QSizeF chevron =
        Symbols::size(u"chevron.up.chevron.down", kChevronSize, FontWeight::semibold);
    const qreal chevronLeft = bounds.right() - kPaddingH - chevron.width();
    Symbols::draw(painter, u"chevron.up.chevron.down",
                  QPointF(chevronLeft + chevron.width() / 2, middle), kChevronSize,
                  FontWeight::semibold, namedColor(ColorRole::tertiaryLabel, appearance));

    const qreal textLeft = kPaddingH + kSymbolFrameWidth + kSpacing;
    const qreal textWidth =
        std::max<qreal>(0, chevronLeft - kSpacing - kMinimumGap - kSpacing - textLeft);
    const QFontMetricsF titleMetrics(titleFont());
    const QFontMetricsF valueMetrics(valueFont());
    const qreal top = middle - textStackHeight() / 2;

    painter.setFont(titleFont());
    painter.setPen(namedColor(ColorRole::secondaryLabel, appearance));
    painter.drawText(QPointF(textLeft, top + titleMetrics.ascent()),
                     titleMetrics.elidedText(title_, Qt::ElideRight, textWidth));

    painter.setFont(valueFont());
    painter.setPen(namedColor(ColorRole::label, appearance));
    painter.drawText(
        QPointF(textLeft, top + titleMetrics.height() + kTextSpacing + valueMetrics.ascent()),
        valueMetrics.elidedText(value_, Qt::ElideRight, textWidth));
}

}  // namespace corvane
