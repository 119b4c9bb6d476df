#include <gtest/gtest.h>

#include "ui/MenuBarAppearance.h"

namespace corvane {
namespace {

TEST(Palette, EveryRoleHasALightAndADarkValue) {
    for (int i = 0; i <= static_cast<int>(ColorRole::menuSelection); ++i) {
        const QColor light = namedColor(static_cast<ColorRole>(i), Appearance::light);
        const QColor dark = namedColor(static_cast<ColorRole>(i), Appearance::dark);
        EXPECT_TRUE(light.isValid() && dark.isValid() && light != dark) << i;
    }
    EXPECT_LT(namedColor(ColorRole::windowBackground, Appearance::dark).lightness(), 80);
    EXPECT_GT(namedColor(ColorRole::windowBackground, Appearance::light).lightness(), 200);
}

}  // namespace
}  // namespace corvane
