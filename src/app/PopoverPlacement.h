#pragma once

#include <QRect>
#include <QSize>

namespace corvane {

// Gap between the tray icon and the popover.
inline constexpr int kPopoverGap = 4;

// Where a popover of `size` goes for a tray icon at `anchor` on a screen
// whose usable area is `available`: centred under the icon, or above it
// when there is no room below (a panel at the bottom of the screen), and
// kept on the screen.
QRect placePopover(const QRect& anchor, const QSize& size, const QRect& available);

}  // namespace corvane
