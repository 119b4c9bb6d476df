#include <gtest/gtest.h>

#include "ui/MenuBarAppearance.h"

namespace corvane {
namespace {

constexpr ColorRole kRoles[] = {
    ColorRole::label,        ColorRole::secondaryLabel,   ColorRole::tertiaryLabel,
    ColorRole::separator,    ColorRole::windowBackground, ColorRole::controlBackground,
    ColorRole::accent,       ColorRole::systemBlue,       ColorRole::systemGreen,
    ColorRole::systemOrange, ColorRole::systemYellow,     ColorRole::systemPurple,
    ColorRole::systemRed,    ColorRole::switchTrackOff,   ColorRole::menuBackground,
    ColorRole::menuSelection};

TEST(Palette, EveryRoleHasALightAndADarkValue) {
    int differing = 0;
    for (ColorRole role : kRoles) {
        const QColor light = namedColor(role, Appearance::light);
        const QColor dark = namedColor(role, Appearance::dark);
        EXPECT_TRUE(light.isValid() && dark.isValid());
        differing += light != dark ? 1 : 0;
    }
    EXPECT_EQ(differing, static_cast<int>(std::size(kRoles)));
    EXPECT_LT(namedColor(ColorRole::windowBackground, Appearance::dark).lightness(), 80);
    EXPECT_GT(namedColor(ColorRole::windowBackground, Appearance::light).lightness(), 200);
}

}  // namespace
}  // namespace corvane
