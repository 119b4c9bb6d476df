#include "ui/components/QuietStatusIcon.h"

#include <QPainter>

#include "ui/Symbols.h"
#include "ui/components/Painting.h"

namespace corvane {

namespace {
constexpr int kSide = 46;
constexpr qreal kCornerRadius = 13;
constexpr qreal kSymbolSize = 22;
}  // namespace

QuietStatusIcon::QuietStatusIcon(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSide, kSide);
}

void QuietStatusIcon::setContent(const QString& systemName, ColorRole tint) {
    if (systemName == systemName_ && tint == tint_) {
        return;
    }
    systemName_ = systemName;
    tint_ = tint;
    update();
}

void QuietStatusIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor color = namedColor(tint_, appearanceOf(this));
    fillRoundedRect(painter, QRectF(rect()), kCornerRadius, withOpacity(color, 0.1));
    Symbols::draw(painter, systemName_, QRectF(rect()).center(), kSymbolSize, FontWeight::medium,
                  color);
}

}  // namespace corvane
