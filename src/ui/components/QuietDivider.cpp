#include "ui/components/QuietDivider.h"

#include <QPainter>

#include "ui/MenuBarAppearance.h"

namespace corvane {

QuietDivider::QuietDivider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void QuietDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), namedColor(ColorRole::separator, appearanceOf(this)));
}

}  // namespace corvane
