#include <gtest/gtest.h>

#include "display/DisplayMode.h"

namespace corvane {
namespace {

DisplayModeInfo mode(std::int32_t id, std::int64_t width, std::int64_t height, double rate,
                     std::int64_t pixelWidth = 0, std::int64_t pixelHeight = 0) {
    return {
        id,   width, height, pixelWidth ? pixelWidth : width, pixelHeight ? pixelHeight : height,
        rate, 0};
}

struct MatchCase : NamedCase {
    DisplayModeInfo receiver;
    DisplayModeInfo other;
    bool matches;
};

class ModeMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ModeMatching, FollowsTheToleranceRule) {
    EXPECT_EQ(GetParam().receiver.matches(GetParam().other), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModeMatching,
    ::testing::Values(
        MatchCase{"JustUnderTolerance", mode(0, 1920, 1080, 60.0), mode(0, 1920, 1080, 59.9001),
                  true},
        MatchCase{"JustOverTolerance", mode(0, 1920, 1080, 60.0), mode(0, 1920, 1080, 59.8999),
                  false},
        MatchCase{"BothWithoutRate", mode(0, 1920, 1080, 0), mode(0, 1920, 1080, -1), true},
        MatchCase{"ReceiverWithoutRate", mode(0, 1920, 1080, 0), mode(0, 1920, 1080, 60), false},
        MatchCase{"OtherWithoutRate", mode(0, 1920, 1080, 60), mode(0, 1920, 1080, 0), false},
        MatchCase{"SameIdDifferentSize", mode(7, 1920, 1080, 60), mode(7, 1280, 720, 30), true},
        MatchCase{"ZeroIdsFallBackToSize", mode(0, 1920, 1080, 60), mode(0, 1280, 720, 60), false},
        MatchCase{"DifferentIdsSameSizeAndRate", mode(7, 1920, 1080, 60),
                  mode(8, 1920, 1080, 59.95), true},
        MatchCase{"PixelSizeDiffers", mode(0, 1920, 1080, 60, 3840, 2160), mode(0, 1920, 1080, 60),
                  false},
        MatchCase{"FlagsIgnored", DisplayModeInfo{0, 800, 600, 800, 600, 60, 1},
                  DisplayModeInfo{0, 800, 600, 800, 600, 60, 2}, true}),
    CaseName());

const DisplayModeInfo kRetina = mode(0, 1920, 1080, 60, 3840, 2160);
const DisplayModeInfo kRetinaFast = mode(0, 1920, 1080, 120, 3840, 2160);
const DisplayModeInfo kLowDensity = mode(0, 1920, 1080, 60);
const DisplayModeInfo kZeroWidth = mode(0, 0, 1080, 60, 3840, 2160);
const DisplayModeInfo kScaled = mode(0, 1000, 1000, 60, 1900, 1900);
const DisplayModeInfo kOneAxisDense = mode(0, 1000, 1000, 60, 2000, 1800);

DisplayInfo display(double scale, std::vector<DisplayModeInfo> modes,
                    std::optional<DisplayModeInfo> current = std::nullopt) {
    DisplayInfo info;
    info.id = 1;
    info.name = QStringLiteral("Test");
    info.backingScaleFactor = scale;
    info.currentMode = current;
    info.modes = std::move(modes);
    return info;
}

TEST(HiDPIModes, KeepsDenseModesBelowScaleTwoAndEveryModeFromIt) {
    const DisplayInfo info =
        display(1.0, {kRetina, kLowDensity, kZeroWidth, kScaled, kOneAxisDense, kRetinaFast});
    EXPECT_EQ(info.hiDPIModes(), (std::vector{kRetina, kScaled, kRetinaFast}));
    const std::vector modes{kLowDensity, kZeroWidth, kRetina};
    EXPECT_EQ(display(2.0, modes).hiDPIModes(), modes);
    EXPECT_EQ(display(1.99, modes).hiDPIModes(), std::vector{kRetina});
}

// Dense modes when there are any, and a current mode they lack after them.
TEST(MenuModes, OfferTheDenseModesElseEveryMode) {
    const std::vector lowDensity{kLowDensity, mode(0, 1280, 720, 60)};
    EXPECT_EQ(display(1.0, lowDensity, kLowDensity).menuModes(), lowDensity);
    EXPECT_EQ(display(1.0, {kLowDensity, kRetina}).menuModes(), std::vector{kRetina});
    const DisplayModeInfo nearlyRetina = mode(0, 1920, 1080, 59.94, 3840, 2160);
    EXPECT_EQ(display(1.0, {kLowDensity, kRetina}, nearlyRetina).menuModes(), std::vector{kRetina});
}

}  // namespace
}  // namespace corvane
