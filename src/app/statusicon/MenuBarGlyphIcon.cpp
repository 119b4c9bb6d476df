#include "app/statusicon/MenuBarGlyphIcon.h"

#include <QPainter>

#include "ui/Symbols.h"

namespace corvane::MenuBarGlyphIcon {

namespace {
// Large enough to read as the text beside it, small enough that the monitor
// keeps a point of air on either side.
constexpr qreal kSymbolSize = 15;
}  // namespace

QImage image(const QColor& color, const IconCanvas& canvas) {
    const QSizeF size(kSide, kSide);
    QImage result = makeIconImage(size, canvas);
    QPainter painter(&result);
    applyContentScale(painter, size, canvas);
    Symbols::draw(painter, u"display", QPointF(kSide / 2.0, kSide / 2.0), kSymbolSize,
                  FontWeight::regular, color);
    return result;
}

}  // namespace corvane::MenuBarGlyphIcon
