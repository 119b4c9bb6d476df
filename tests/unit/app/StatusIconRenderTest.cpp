#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <cmath>

#include "app/statusicon/MenuBarRingIcon.h"
#include "app/statusicon/MenuBarTextIcon.h"
#include "app/statusicon/StatusIconRenderer.h"
#include "renders/SampleViews.h"
#include "ui/TextStyle.h"
#include "unit/ui/support/ImageProbe.h"

namespace corvane {
namespace {

using samples::displayAt;
using testing::colorAt;
using testing::countPixels;
using testing::inkBounds;
using testing::onCircle;
using testing::sameRgb;

const QColor kRed(255, 0, 0);

struct TextIconCase {
    QString text;
    qreal ratio;
};

void PrintTo(const TextIconCase& value, std::ostream* out) {
    *out << value.text.toStdString() << " @" << value.ratio << "x";
}

class TextIconGeometry : public ::testing::TestWithParam<TextIconCase> {};

TEST_P(TextIconGeometry, IsTextWidthPlusTwoByEighteenAndCentred) {
    const auto& [text, ratio] = GetParam();
    const qreal width = QFontMetricsF(menuBarFont()).horizontalAdvance(text);
    const QImage image = MenuBarTextIcon::image(text, kRed, {.devicePixelRatio = ratio});

    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(std::ceil(width) + 2, 18));
    EXPECT_EQ(image.size(), QSize(static_cast<int>(std::ceil((std::ceil(width) + 2) * ratio)),
                                  static_cast<int>(18 * ratio)));

    // Ink starts after the one-point margin and sits around the middle.
    const QRect ink = inkBounds(image, 64);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), std::floor(1 * ratio) - 1);
    EXPECT_LE(ink.right(), std::ceil((1 + width) * ratio));
    EXPECT_NEAR((ink.top() + ink.bottom()) / 2.0 / ratio, 9.0, 3.0);
}

INSTANTIATE_TEST_SUITE_P(Texts, TextIconGeometry,
                         ::testing::Values(TextIconCase{"120", 1}, TextIconCase{"59.94", 2},
                                           TextIconCase{"확인 중", 2}));

// The tray ring drawn at a high pixel ratio in pure red, probed along the
// middle of its stroke at angles clockwise from twelve o'clock.
struct RingCase : NamedCase {
    double progress;
    std::vector<double> filledAt;
    std::vector<double> emptyAt;
};

class RingIconArc : public ::testing::TestWithParam<RingCase> {};

TEST_P(RingIconArc, RunsClockwiseFromTwelve) {
    const RingCase& c = GetParam();
    const QImage image =
        MenuBarRingIcon::image(c.progress, kRed, Appearance::light, {.devicePixelRatio = 4});
    ASSERT_EQ(image.size(), QSize(72, 72));
    for (double angle : c.filledAt) {
        const QColor pixel = colorAt(image, onCircle({9, 9}, 6.5, angle));
        EXPECT_TRUE(pixel.alpha() > 240 && sameRgb(pixel, kRed)) << "no arc at " << angle << "°";
    }
    for (double angle : c.emptyAt) {
        const QColor pixel = colorAt(image, onCircle({9, 9}, 6.5, angle));
        // Only the faint track: secondary label colour at 35 %.
        EXPECT_NEAR(pixel.alphaF(), 0.35, 0.02) << "arc or no track at " << angle << "°";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Progress, RingIconArc,
    ::testing::Values(RingCase{"quarter", 0.25, {20, 45, 70}, {115, 180, 270, 335}},
                      RingCase{"zero", 0.0, {}, {0, 45, 90, 180, 270}},
                      RingCase{"minimum", 0.1, {10, 26}, {70, 180, 300}},
                      RingCase{"aboveFull", 1.5, {0, 60, 120, 180, 240, 300}, {}}),
    CaseName());

TEST(RingIcon, TrackFollowsTheBar) {
    const QImage light = MenuBarRingIcon::image(0, kRed, Appearance::light, {});
    const QImage dark = MenuBarRingIcon::image(0, kRed, Appearance::dark, {});
    const QColor onLight = colorAt(light, {9, 2.5});
    const QColor onDark = colorAt(dark, {9, 2.5});
    EXPECT_LT(onLight.lightness(), 40);
    EXPECT_GT(onDark.lightness(), 215);
}

StatusIconInput inputFor(MenuBarIconStyle style, MenuBarColorMode mode, Appearance bar,
                         double rate = 60.0) {
    return {displayAt(rate), style, mode, bar};
}

// Every opaque pixel of every style has the colour mode's colour.
TEST(StatusIconRender, OpaqueInkHasTheTintOfEachColourMode) {
    for (Appearance bar : {Appearance::light, Appearance::dark}) {
        for (MenuBarIconStyle style : kAllIconStyles) {
            for (MenuBarColorMode mode : kAllColorModes) {
                const StatusIconInput in = inputFor(style, mode, bar);
                const QColor expected = StatusIconModel::menuBarColor(in);
                const QImage image = renderStatusIcon(in, {.devicePixelRatio = 2}).image;
                const auto opaque = [](QColor pixel) { return pixel.alpha() == 255; };
                const std::string what = (persistedWord(style) + "/" + persistedWord(mode) +
                                          (bar == Appearance::dark ? "/dark" : "/light"))
                                             .toStdString();
                EXPECT_GT(countPixels(image, opaque), 10) << what;
                EXPECT_EQ(
                    countPixels(image,
                                [&](QColor p) { return opaque(p) && !sameRgb(p, expected, 1); }),
                    0)
                    << what;
            }
        }
    }
}

// The texts are the model's; only the glyph is a picture worth describing.
TEST(StatusIconRender, IsEighteenHighAndDescribesOnlyTheGlyph) {
    for (MenuBarIconStyle style : kAllIconStyles) {
        const StatusIconAppearance shown =
            renderStatusIcon(inputFor(style, MenuBarColorMode::blue, Appearance::light, 120));
        EXPECT_EQ(shown.imageDescription,
                  style == MenuBarIconStyle::glyph ? QStringLiteral("디스플레이") : QString());
        EXPECT_EQ(shown.image.height(), 18);
    }
}

TEST(StatusIconRender, PulsePeakGrowsTheContentUnclipped) {
    // On a canvas of its own, and in a tray slot narrower than the number.
    for (const QSizeF slot : {QSizeF(), QSizeF(22, 30)}) {
        for (MenuBarIconStyle style : kAllIconStyles) {
            const StatusIconInput in =
                inputFor(style, MenuBarColorMode::system, Appearance::light, 59.94);
            IconCanvas canvas{.devicePixelRatio = 2, .headroom = kPulsePeakScale, .slot = slot};
            const QImage rest = renderStatusIcon(in, canvas).image;
            canvas.scale = kPulsePeakScale;
            const QImage peak = renderStatusIcon(in, canvas).image;
            const std::string what = persistedWord(style).toStdString();
            EXPECT_EQ(peak.size(), rest.size()) << what;
            // Grown by the whole scale on both axes: nothing was cut off.
            const QRect restInk = inkBounds(rest);
            const QRect peakInk = inkBounds(peak);
            EXPECT_NEAR(peakInk.width(), restInk.width() * kPulsePeakScale, 2.5) << what;
            EXPECT_NEAR(peakInk.height(), restInk.height() * kPulsePeakScale, 2.5) << what;
        }
    }
}

}  // namespace
}  // namespace corvane
