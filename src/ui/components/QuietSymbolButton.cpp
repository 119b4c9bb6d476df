#include "ui/components/QuietSymbolButton.h"

#include <QPainter>
#include <algorithm>

#include "ui/Symbols.h"

namespace corvane {

QuietSymbolButton::QuietSymbolButton(Face face, QWidget* parent)
    : QuietButton(parent), face_(std::move(face)) {
    setFixedSize(face_.frame);
}

qreal QuietSymbolButton::focusRingRadius() const {
    // A bare symbol has no outline of its own; the ring is a circle.
    return std::min(width(), height()) / 2.0;
}

void QuietSymbolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const Appearance appearance = appearanceOf(this);
    if (face_.circleOpacity > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(withOpacity(namedColor(ColorRole::label, appearance),
                                     face_.circleOpacity * (underMouse() ? 1.6 : 1.0)));
        painter.drawEllipse(QRectF(rect()));
    }
    painter.setOpacity(faceOpacity());
    Symbols::draw(painter, face_.systemName, QRectF(rect()).center(), face_.pointSize, face_.weight,
                  namedColor(face_.color, appearance));
}

}  // namespace corvane
