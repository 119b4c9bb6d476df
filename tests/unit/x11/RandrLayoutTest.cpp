#include <gtest/gtest.h>

#include "platform/x11/ModeIdentity.h"
#include "platform/x11/RandrLayout.h"

namespace corvane::x11 {
namespace {

// 1920×1080 at 60 Hz (CEA timings). Interlaced and double-scanned rates
// are read from a real server's timings (X11DisplayBackendTest).
RandrMode mode1080(std::uint32_t xid, std::uint32_t flags = 0) {
    return {xid, 1920, 1080, 148500000, 2200, 1125, flags};
}

struct RateCase : NamedCase {
    RandrMode mode;
    double rate;
    bool usable;
};

class ModeTimingTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(ModeTimingTest, ComputesRateAndUsability) {
    const PlatformMode mode = platformMode(GetParam().mode);
    EXPECT_DOUBLE_EQ(mode.info.refreshRate, GetParam().rate);
    EXPECT_EQ(mode.usableForDesktop, GetParam().usable);
    EXPECT_EQ(mode.info.ioFlags, GetParam().mode.flags);
    EXPECT_EQ(mode.handle, GetParam().mode.xid);
    EXPECT_EQ(mode.info.id, stableModeId(GetParam().mode));
    EXPECT_EQ(mode.info.pixelWidth, mode.info.width);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ModeTimingTest,
    ::testing::Values(RateCase{"Progressive", mode1080(0x40), 60.0, true},
                      RateCase{"NoTimings", {0x43, 1920, 1080, 0, 0, 0, 0}, 0.0, true}),
    CaseName());

// Two outputs side by side: DP-1 (1920×1080 at 0,0) and DP-2 (1920×1080 at
// 1920,0), plus an output that is connected but has no CRTC and one that is
// driven but unplugged.
RandrLayout twoDisplays() {
    RandrLayout layout;
    layout.screen = {3840, 1080};
    layout.modes = {mode1080(0x40),
                    {0x50, 2560, 1440, 241500000, 2720, 1481, 0},
                    {0x51, 1280, 720, 74250000, 1650, 750, 0}};
    layout.crtcs = {{0x60, 0, 0, 0x40, kRotate0, {0x70}, {}, {}},
                    {0x61, 1920, 0, 0x40, kRotate0, {0x71}, {}, {}},
                    {0x62, 0, 0, 0x40, kRotate0, {0x73}, {}, {}},
                    {0x63, 0, 0, 0, kRotate0, {}, {}, {}}};
    layout.outputs = {{0x70, "DP-1", true, 0x60, {0x40, 0x50, 0x40, 0x51, 0x99}, {}},
                      {0x71, "DP-2", true, 0x61, {0x40, 0x50}, {}},
                      {0x72, "HDMI-1", true, 0, {0x40}, {}},
                      {0x73, "HDMI-2", false, 0x62, {0x40}, {}}};
    return layout;
}

TEST(ModeIdentityTest, DependsOnTheTimingsAloneAndNeverLooksLikeAnXid) {
    const RandrMode base = mode1080(0x40);
    // Saved modes carry this number: it must never change between versions.
    EXPECT_EQ(stableModeId(base), 0x7c6ebedd);
    RandrMode renumbered = base;
    renumbered.xid = 0x1fffffff;
    EXPECT_EQ(stableModeId(renumbered), stableModeId(base));
    const std::vector<RandrMode> variants = {
        {0x40, 1920, 1200, 148500000, 2200, 1125, 0}, {0x40, 1280, 1080, 148500000, 2200, 1125, 0},
        {0x40, 1920, 1080, 148351648, 2200, 1125, 0}, {0x40, 1920, 1080, 148500000, 2250, 1125, 0},
        {0x40, 1920, 1080, 148500000, 2200, 1100, 0}, mode1080(0x40, kModeFlagInterlace)};
    for (const RandrMode& variant : variants) {
        const std::int32_t id = stableModeId(variant);
        EXPECT_NE(id, stableModeId(base));
        // Above the 29 bits of every X resource identifier.
        EXPECT_GE(id, 1 << 30);
    }
}

TEST(RandrLayoutTest, OnlineDisplaysAreConnectedOutputsDrivenByACrtc) {
    const std::vector<OnlineDisplay> online = onlineDisplays(twoDisplays());
    ASSERT_EQ(online.size(), 2u);
    EXPECT_EQ(online[0].outputName, "DP-1");
    EXPECT_EQ(online[1].outputName, "DP-2");
    EXPECT_NE(online[0].id, online[1].id);
    // DP-1 lists 0x40 twice and 0x99, which the server does not have.
    const RandrLayout layout = twoDisplays();
    EXPECT_EQ(outputModes(layout, layout.outputs[0]).size(), 3u);
}

TEST(RandrLayoutTest, MainDisplayIsTheOneAtTheOriginElseTheFirst) {
    // A primary output that is online is the main display on a real server
    // (X11DisplayBackendTest); here, the fallbacks.
    RandrLayout layout = twoDisplays();
    layout.primaryOutput = 0x72;  // primary, but not online
    EXPECT_EQ(mainDisplay(layout, onlineDisplays(layout))->outputName, "DP-1");

    layout.crtcs[0].x = 3840;
    layout.crtcs[1].x = 1920;
    std::swap(layout.outputs[0], layout.outputs[1]);
    EXPECT_EQ(mainDisplay(layout, onlineDisplays(layout))->outputName, "DP-2");
    EXPECT_EQ(mainDisplay(layout, {}), nullptr);
}

// Growing and shrinking for an unturned display are checked on a real
// server (X11DisplayBackendTest.GrowsTheScreenForALargerModeAndShrinksItAfterwards).
TEST(RandrLayoutTest, PlansARotatedDisplayWithItsSidesSwapped) {
    RandrLayout layout = twoDisplays();
    layout.crtcs[1].rotation = kRotate90;
    layout.screen = {3000, 1920};
    const std::optional<ModeSwitchPlan> plan = planModeSwitch(layout, 0x71, 0x50);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->rotation, kRotate90);
    EXPECT_EQ(plan->growTo, (ScreenSize{3360, 2560}));
    EXPECT_EQ(plan->shrinkTo, std::nullopt);
}

TEST(RandrLayoutTest, PlansTheScreenForWhatATransformedOrPanningCrtcCovers) {
    RandrLayout layout = twoDisplays();
    // DP-1 scaled by 1.5, so 1920×1080 covers 2880×1620.
    layout.crtcs[0].transform = CrtcTransform{1.5, 0, 0, 0, 1.5, 0, 0, 0, 1};
    std::optional<ModeSwitchPlan> plan = planModeSwitch(layout, 0x71, 0x51);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->growTo, (ScreenSize{3840, 1620}));
    EXPECT_EQ(plan->shrinkTo, (ScreenSize{3200, 1620}));

    // DP-2 pans over 2500×1200: a smaller mode leaves that area covered.
    layout.crtcs[0].transform.reset();
    layout.crtcs[1].panning = {1920, 0, 2500, 1200};
    plan = planModeSwitch(layout, 0x71, 0x51);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->growTo, (ScreenSize{4420, 1200}));
    EXPECT_EQ(plan->shrinkTo, std::nullopt);
}

TEST(RandrLayoutTest, PlansNothingForAnOfflineOutputOrAnUnknownMode) {
    EXPECT_EQ(planModeSwitch(twoDisplays(), 0x72, 0x40), std::nullopt);
    EXPECT_EQ(planModeSwitch(twoDisplays(), 0x73, 0x40), std::nullopt);
    EXPECT_EQ(planModeSwitch(twoDisplays(), 0x70, 0x99), std::nullopt);
}

}  // namespace
}  // namespace corvane::x11
