#include "app/PopoverPlacement.h"

#include <algorithm>

namespace corvane {

QRect placePopover(const QRect& anchor, const QSize& size, const QRect& available) {
    const int maxX = std::max(available.left(), available.right() + 1 - size.width());
    const int x = std::clamp(anchor.center().x() - size.width() / 2, available.left(), maxX);

    const int below = anchor.bottom() + 1 + kPopoverGap;
    const int above = anchor.top() - kPopoverGap - size.height();
    const int roomBelow = available.bottom() + 1 - below;
    const int roomAbove = anchor.top() - kPopoverGap - available.top();
    int y = below;
    if (roomBelow < size.height() && roomAbove > roomBelow) {
        y = above;
    }
    const int maxY = std::max(available.top(), available.bottom() + 1 - size.height());
    y = std::clamp(y, available.top(), maxY);
    return QRect(QPoint(x, y), size);
}

}  // namespace corvane
