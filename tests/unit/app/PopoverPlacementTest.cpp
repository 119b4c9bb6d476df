#include <gtest/gtest.h>

#include "app/PopoverPlacement.h"

namespace corvane {
namespace {

struct PlacementCase : NamedCase {
    QRect anchor;
    QRect expected;
};

class PopoverPlacement : public ::testing::TestWithParam<PlacementCase> {};

const QRect kScreen(0, 0, 1920, 1080);
const QSize kSize(362, 600);

TEST_P(PopoverPlacement, StaysOnScreenNextToTheIcon) {
    EXPECT_EQ(placePopover(GetParam().anchor, kSize, kScreen), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PopoverPlacement,
    ::testing::Values(
        // Centred under an icon in a top panel.
        PlacementCase{"UnderTheIcon", QRect(900, 0, 32, 32), QRect(734, 36, 362, 600)},
        // At the right edge the popover is pushed back onto the screen.
        PlacementCase{"RightEdge", QRect(1888, 0, 32, 32), QRect(1558, 36, 362, 600)},
        PlacementCase{"LeftEdge", QRect(0, 0, 32, 32), QRect(0, 36, 362, 600)},
        // A panel at the bottom: no room below, so above the icon.
        PlacementCase{"BottomPanel", QRect(1888, 1048, 32, 32), QRect(1558, 444, 362, 600)}),
    CaseName());

TEST(PopoverPlacementOnSmallScreens, NeverLeavesTheScreenAtTheTop) {
    const QRect small(0, 0, 800, 500);
    const QRect placed = placePopover(QRect(700, 470, 30, 30), kSize, small);
    EXPECT_EQ(placed.top(), 0);
    EXPECT_EQ(placed.right(), 799);
}

}  // namespace
}  // namespace corvane
