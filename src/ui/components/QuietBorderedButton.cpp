#include "ui/components/QuietBorderedButton.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "ui/MenuBarAppearance.h"
#include "ui/Symbols.h"
#include "ui/TextStyle.h"
#include "ui/components/Painting.h"

namespace corvane {

namespace {

constexpr qreal kFontSize = 12;
constexpr qreal kPaddingH = 9;
constexpr qreal kIconSpacing = 5;
constexpr int kHeight = 24;
constexpr qreal kCornerRadius = 6;

QFont titleFont() {
    return systemFont(static_cast<int>(kFontSize), FontWeight::semibold);
}

}  // namespace

QuietBorderedButton::QuietBorderedButton(const QString& systemName, const QString& title,
                                         QWidget* parent)
    : QuietButton(parent), systemName_(systemName) {
    setText(title);
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize QuietBorderedButton::sizeHint() const {
    const qreal icon = Symbols::size(systemName_, kFontSize, FontWeight::semibold).width();
    const qreal width =
        2 * kPaddingH + icon + kIconSpacing + QFontMetricsF(titleFont()).horizontalAdvance(text());
    return {static_cast<int>(std::ceil(width)), kHeight};
}

void QuietBorderedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const Appearance appearance = appearanceOf(this);
    const QRectF bounds(rect());
    const bool dark = appearance == Appearance::dark;

    // A hairline shadow under a light face, as a raised push button has.
    fillRoundedRect(painter, bounds, kCornerRadius, QColor(0, 0, 0, dark ? 60 : 22));
    const QRectF face = bounds.adjusted(0, 0, 0, -1);
    QColor fill = dark ? QColor(255, 255, 255, 46) : QColor(255, 255, 255);
    if (isDown()) {
        fill = dark ? QColor(255, 255, 255, 70) : QColor(232, 232, 232);
    }
    fillRoundedRect(painter, face, kCornerRadius, fill);
    strokeRoundedRect(painter, face, kCornerRadius,
                      withOpacity(namedColor(ColorRole::label, appearance), dark ? 0.12 : 0.14),
                      1.0);

    const QColor color = namedColor(ColorRole::label, appearance);
    const QSizeF icon = Symbols::size(systemName_, kFontSize, FontWeight::semibold);
    const QFontMetricsF metrics(titleFont());
    const qreal contentWidth = icon.width() + kIconSpacing + metrics.horizontalAdvance(text());
    const qreal left = (face.width() - contentWidth) / 2;
    const qreal middle = face.center().y();
    Symbols::draw(painter, systemName_, QPointF(left + icon.width() / 2, middle), kFontSize,
                  FontWeight::semibold, color);
    painter.setFont(titleFont());
    painter.setPen(color);
    painter.drawText(QPointF(left + icon.width() + kIconSpacing,
                             middle + (metrics.ascent() - metrics.descent()) / 2),
                     text());
}

}  // namespace corvane
