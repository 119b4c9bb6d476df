#include "ui/components/QuietText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace corvane {

QuietText::QuietText(const QFont& font, ColorRole role, QWidget* parent)
    : QWidget(parent), role_(role) {
    setFont(font);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void QuietText::setText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    // Painted text is invisible to assistive technology unless named.
    setAccessibleName(text);
    updateGeometry();
    update();
}

void QuietText::setColor(ColorRole role, double opacity) {
    if (role == role_ && std::abs(opacity - opacity_) < 1e-9) {
        return;
    }
    role_ = role;
    opacity_ = opacity;
    update();
}

void QuietText::setTruncating(bool truncating) {
    truncating_ = truncating;
    setSizePolicy(truncating ? QSizePolicy::Preferred : QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateGeometry();
}

QSize QuietText::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(text_))),
            static_cast<int>(std::ceil(metrics.height()))};
}

QSize QuietText::minimumSizeHint() const {
    return truncating_ ? QSize(0, sizeHint().height()) : sizeHint();
}

void QuietText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QFontMetricsF metrics(font());
    const QString shown = truncating_ ? metrics.elidedText(text_, Qt::ElideRight, width()) : text_;
    painter.setPen(withOpacity(namedColor(role_, appearanceOf(this)), opacity_));
    painter.drawText(QPointF(0, metrics.ascent()), shown);
}

}  // namespace corvane
