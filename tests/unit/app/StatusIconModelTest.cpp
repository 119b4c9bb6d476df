#include <gtest/gtest.h>

#include "app/statusicon/StatusIconModel.h"
#include "renders/SampleViews.h"

namespace corvane {
namespace {

using samples::display;
using samples::displayAt;
using samples::mode;

StatusIconInput input(std::optional<DisplayInfo> selected,
                      MenuBarIconStyle style = MenuBarIconStyle::glyph,
                      MenuBarColorMode colorMode = MenuBarColorMode::system,
                      Appearance menuBar = Appearance::light) {
    return {std::move(selected), style, colorMode, menuBar};
}

// What the icon says for each kind of selection: no display, a display that
// has not reported its mode, a mode without a rate, whole and fractional rates.
struct TextCase : NamedCase {
    std::optional<DisplayInfo> selected;
    QString rate;
    QString number;
    QString lastSignatureFields;
};

class StatusIconTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(StatusIconTexts, RateNumberAndSignature) {
    const TextCase& c = GetParam();
    const StatusIconInput in =
        input(c.selected, MenuBarIconStyle::ring, MenuBarColorMode::adaptive);
    EXPECT_EQ(StatusIconModel::rateText(in), c.rate);
    EXPECT_EQ(StatusIconModel::numberText(in), c.number);
    EXPECT_EQ(StatusIconModel::signature(in),
              QStringLiteral("ring|adaptive|") + c.rate + QLatin1Char('|') + c.lastSignatureFields);
}

INSTANTIATE_TEST_SUITE_P(Selections, StatusIconTexts,
                         ::testing::Values(TextCase{"none", std::nullopt, "—", "—", "none|unknown"},
                                           TextCase{"noCurrentMode", display(7, "A", std::nullopt),
                                                    "확인 중", "확인 중", "7|확인 중"},
                                           TextCase{"zeroRate", displayAt(0.0), "자동", "자동",
                                                    "7|1920×1080 · 자동"},
                                           TextCase{"wholeRate", displayAt(120.0, 4000000000u),
                                                    "120Hz", "120", "4000000000|1920×1080 · 120Hz"},
                                           TextCase{"fractional", displayAt(59.94), "59.94Hz",
                                                    "59.94", "7|1920×1080 · 59.94Hz"}),
                         CaseName());

// The rows above pin the signature's form; here, what changes it.
TEST(StatusIconSignature, CarriesStyleColourModeAndDisplayButNotTheBar) {
    const DisplayInfo selected = displayAt(60.0);
    const QString base = StatusIconModel::signature(input(selected));
    EXPECT_NE(StatusIconModel::signature(input(selected, MenuBarIconStyle::number)), base);
    EXPECT_NE(StatusIconModel::signature(
                  input(selected, MenuBarIconStyle::glyph, MenuBarColorMode::purple)),
              base);
    EXPECT_EQ(StatusIconModel::signature(input(selected, MenuBarIconStyle::glyph,
                                               MenuBarColorMode::system, Appearance::dark)),
              base);
    EXPECT_NE(StatusIconModel::signature(input(displayAt(60.0, 8))), base);
}

struct ProgressCase : NamedCase {
    std::optional<DisplayInfo> selected;
    double progress;
};

class StatusIconRing : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(StatusIconRing, ProgressIsRateOverFullScale) {
    EXPECT_DOUBLE_EQ(StatusIconModel::ringProgress(input(GetParam().selected)),
                     GetParam().progress);
}

INSTANTIATE_TEST_SUITE_P(Rates, StatusIconRing,
                         ::testing::Values(ProgressCase{"none", std::nullopt, 0.45},
                                           ProgressCase{"noCurrentMode",
                                                        display(7, "A", std::nullopt), 0.45},
                                           ProgressCase{"zero", displayAt(0.0), 0.45},
                                           ProgressCase{"tenHz", displayAt(10.0), 0.1},
                                           ProgressCase{"sixty", displayAt(60.0), 60.0 / 165.0},
                                           ProgressCase{"above", displayAt(240.0), 1.0}),
                         CaseName());

struct ColorCase : NamedCase {
    MenuBarColorMode colorMode;
    std::optional<DisplayInfo> selected;
    Appearance menuBar;
    QColor expected;
};

class StatusIconColor : public ::testing::TestWithParam<ColorCase> {};

TEST_P(StatusIconColor, TintFollowsColourModeRateAndBar) {
    const ColorCase& c = GetParam();
    EXPECT_EQ(StatusIconModel::menuBarColor(
                  input(c.selected, MenuBarIconStyle::glyph, c.colorMode, c.menuBar)),
              c.expected);
}

const QColor kBlueLight(0, 122, 255);
const QColor kBlueDark(10, 132, 255);
const QColor kYellowLight(255, 204, 0);
const QColor kOrangeLight(255, 149, 0);

// The enumerators are brought in only here: test files share one unity
// translation unit.
namespace colorCases {
using enum MenuBarColorMode;
using enum Appearance;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Modes, StatusIconColor,
    ::testing::Values(
        ColorCase{"systemOnLight", system, displayAt(60), light, QColor(0, 0, 0)},
        ColorCase{"systemOnDark", system, displayAt(60), dark, QColor(255, 255, 255)},
        ColorCase{"blueOnDark", blue, displayAt(60), dark, kBlueDark},
        ColorCase{"green", green, std::nullopt, light, QColor(40, 205, 65)},
        ColorCase{"orange", orange, displayAt(144), light, kOrangeLight},
        ColorCase{"purpleOnDark", purple, displayAt(60), dark, QColor(191, 90, 242)},
        ColorCase{"adaptiveJustBelowSixty", adaptive, displayAt(59.94), light, kOrangeLight},
        ColorCase{"adaptiveSixty", adaptive, displayAt(60), light, kYellowLight},
        ColorCase{"adaptiveJustBelowHundred", adaptive, displayAt(99.99), light, kYellowLight},
        ColorCase{"adaptiveHundred", adaptive, displayAt(100), light, kBlueLight},
        ColorCase{"adaptiveSlowOnDark", adaptive, displayAt(30), dark, QColor(255, 159, 10)},
        ColorCase{"adaptiveWithoutDisplay", adaptive, std::nullopt, light, kBlueLight},
        ColorCase{"adaptiveZeroRate", adaptive, displayAt(0), light, kBlueLight}),
    CaseName());
// clang-format on
}  // namespace colorCases

}  // namespace
}  // namespace corvane
