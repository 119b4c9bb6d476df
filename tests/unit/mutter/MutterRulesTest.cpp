#include <gtest/gtest.h>

#include <QFile>

#include "platform/monitor/DisplayIdentity.h"
#include "platform/mutter/MonitorsConfigPlan.h"
#include "platform/x11/RandrLayout.h"

namespace corvane::mutter {
namespace {

Mode mode(int width, int height, std::vector<double> scales = {1.0}, bool current = false) {
    return {QStringLiteral("%1x%2@60.000").arg(width).arg(height),
            width,
            height,
            60.0,
            1.0,
            std::move(scales),
            current};
}

MonitorKey key(const char* connector) {
    return {connector, "DEL", "DELL U2720Q", QStringLiteral("SN-%1").arg(connector)};
}

// A at the origin (primary, 1920×1080 of three modes), B right of it
// (1920×1080, underscanning), C connected but shown nowhere.
DisplayConfigState twoShown() {
    DisplayConfigState state;
    state.serial = 7;
    state.layoutMode = kLayoutPhysical;
    state.supportsChangingLayoutMode = true;
    const std::vector<Mode> modes = {mode(3840, 2160, {1.0, 2.0}),
                                     mode(1920, 1080, {1.0, 2.0}, true), mode(1280, 720)};
    state.monitors = {
        {key("A"), modes, "A", {}}, {key("B"), modes, "B", true}, {key("C"), {}, "C", {}}};
    state.logicalMonitors = {{0, 0, 1.0, 0, true, {key("A")}},
                             {1920, 0, 1.0, 0, false, {key("B")}}};
    return state;
}

struct PlanCase {
    const char* name;
    void (*arrange)(DisplayConfigState&);
    const char* connector;
    const char* modeId;
    std::vector<std::tuple<int, int, double, QString>>
        expected;  // x, y, scale, mode per logical monitor
};

void PrintTo(const PlanCase& c, std::ostream* out) {
    *out << c.name;
}

class PlanModeSwitchTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanModeSwitchTest, KeepsEverythingElseAndTheMonitorsTouching) {
    DisplayConfigState state = twoShown();
    GetParam().arrange(state);
    const std::optional<MonitorsConfig> config =
        planModeSwitch(state, GetParam().connector, GetParam().modeId);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->serial, 7u);
    EXPECT_EQ(config->properties.value("layout-mode"), QVariant(state.layoutMode));
    ASSERT_EQ(config->logicalMonitors.size(), GetParam().expected.size());
    for (std::size_t i = 0; i < config->logicalMonitors.size(); ++i) {
        const LogicalMonitorConfig& planned = config->logicalMonitors[i];
        const LogicalMonitor& before = state.logicalMonitors[i];
        const auto& [x, y, scale, modeId] = GetParam().expected[i];
        EXPECT_EQ(std::tie(planned.x, planned.y, planned.monitors[0].modeId),
                  std::tie(x, y, modeId))
            << i;
        EXPECT_DOUBLE_EQ(planned.scale, scale);
        EXPECT_EQ(std::tie(planned.transform, planned.primary),
                  std::tie(before.transform, before.primary));
        EXPECT_EQ(planned.monitors[0].connector, before.monitors[0].connector);
    }
    EXPECT_EQ(config->logicalMonitors[1].monitors[0].properties.value("underscanning"),
              QVariant(true));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PlanModeSwitchTest,
    ::testing::Values(
        PlanCase{"RightOneShrinks",
                 [](DisplayConfigState&) {},
                 "B",
                 "1280x720@60.000",
                 {{0, 0, 1.0, "1920x1080@60.000"}, {1920, 0, 1.0, "1280x720@60.000"}}},
        PlanCase{"LeftOneShrinks",
                 [](DisplayConfigState&) {},
                 "A",
                 "1280x720@60.000",
                 {{0, 0, 1.0, "1280x720@60.000"}, {1280, 0, 1.0, "1920x1080@60.000"}}},
        PlanCase{"UpperOneGrows",
                 [](DisplayConfigState& s) {
                     s.logicalMonitors[1].x = 0, s.logicalMonitors[1].y = 1080;
                 },
                 "A",
                 "3840x2160@60.000",
                 {{0, 0, 1.0, "3840x2160@60.000"}, {0, 2160, 1.0, "1920x1080@60.000"}}},
        PlanCase{"TurnedOneUsesItsHeight",
                 [](DisplayConfigState& s) {
                     s.logicalMonitors[0].transform = 1;
                     s.logicalMonitors[1].x = 1080;
                 },
                 "A",
                 "1280x720@60.000",
                 {{0, 0, 1.0, "1280x720@60.000"}, {720, 0, 1.0, "1920x1080@60.000"}}},
        PlanCase{"ScaledKeepsItsScaleWhereSupported",
                 [](DisplayConfigState& s) {
                     s.layoutMode = kLayoutLogical;
                     s.logicalMonitors[0].scale = 2.0;
                     s.logicalMonitors[1].x = 960;
                 },
                 "A",
                 "3840x2160@60.000",
                 {{0, 0, 2.0, "3840x2160@60.000"}, {1920, 0, 1.0, "1920x1080@60.000"}}},
        PlanCase{"ScaledFallsBackToThePreferredScale",
                 [](DisplayConfigState& s) {
                     s.layoutMode = kLayoutLogical;
                     s.logicalMonitors[0].scale = 2.0;
                     s.logicalMonitors[1].x = 960;
                 },
                 "A",
                 "1280x720@60.000",
                 {{0, 0, 1.0, "1280x720@60.000"}, {1280, 0, 1.0, "1920x1080@60.000"}}}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return info.param.name; });

TEST(PlanModeSwitch, NeedsAShownMonitorAndOneOfItsModes) {
    EXPECT_FALSE(planModeSwitch(twoShown(), "C", "1920x1080@60.000"));
    EXPECT_FALSE(planModeSwitch(twoShown(), "B", "1600x900@60.000"));
}

TEST(OnlineMonitors, AreTheShownOnesWithTheirMainAndIdentifiers) {
    DisplayConfigState state = twoShown();
    state.monitors[0].key = {"eDP-1", "unknown", "unknown", "unknown"};
    state.logicalMonitors[0] = {0, 0, 1.0, 0, false, {state.monitors[0].key}};
    state.logicalMonitors[1].primary = true;
    const std::vector<OnlineMonitor> online = onlineMonitors(state);
    ASSERT_EQ(online.size(), 2u);
    EXPECT_EQ(online[0].id, monitorDisplayId({"eDP-1", std::nullopt}));
    EXPECT_EQ(online[1].id, monitorDisplayId({"B", MonitorSpec{"DEL", "DELL U2720Q", "SN-B"}}));
    EXPECT_EQ(mainMonitor(state, online), &online[1]);
    state.logicalMonitors[1].primary = false;
    EXPECT_EQ(mainMonitor(state, online), &online[0]);
}

TEST(ModeIdentifier, FollowsSizeRateAndInterlacingOnly) {
    Mode base = mode(1920, 1080);
    Mode sameElsewhere = base;
    sameElsewhere.isCurrent = true;
    sameElsewhere.supportedScales = {1.0, 2.0};
    EXPECT_EQ(modeIdentifier(sameElsewhere), modeIdentifier(base));
    EXPECT_NE(modeIdentifier(base), 0);
    Mode slower = base;
    slower.refreshRate = 59.94;
    Mode interlaced = base;
    interlaced.isInterlaced = true;
    for (const Mode& other : {slower, interlaced, mode(1920, 1200)}) {
        EXPECT_NE(modeIdentifier(other), modeIdentifier(base));
    }
    EXPECT_FALSE(platformMode(interlaced).usableForDesktop);
}

QByteArray edidFixture(const char* name) {
    QFile file(QStringLiteral(CORVANE_EDID_FIXTURES "/%1").arg(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QByteArray::fromHex(file.readAll().simplified().replace(' ', ""));
}

struct SessionCase {
    const char* edid;
    MonitorKey reportedByMutter;  // what Mutter's GetCurrentState says of that monitor
};

void PrintTo(const SessionCase& c, std::ostream* out) {
    *out << c.edid;
}

class SameMonitorTest : public ::testing::TestWithParam<SessionCase> {};

// The X11 backend reads the EDID; Mutter reports the monitor's spec as text,
// on a port named differently. The identifier, and with it the saved mode,
// must be the same in both sessions.
TEST_P(SameMonitorTest, HasOneIdentifierUnderX11AndMutter) {
    x11::RandrLayout layout;
    layout.modes = {{0x40, 1920, 1080, 148500000, 2200, 1125, 0}};
    layout.crtcs = {{0x60, 0, 0, 0x40, x11::kRotate0, {0x70}}};
    layout.outputs = {{0x70, "DisplayPort-0", true, 0x60, {0x40}, edidFixture(GetParam().edid)}};
    DisplayConfigState state;
    state.monitors = {{GetParam().reportedByMutter, {mode(1920, 1080, {1.0}, true)}, "", {}}};
    state.logicalMonitors = {{0, 0, 1.0, 0, true, {GetParam().reportedByMutter}}};
    EXPECT_EQ(x11::onlineDisplays(layout).at(0).id, onlineMonitors(state).at(0).id);
}

INSTANTIATE_TEST_SUITE_P(
    Monitors, SameMonitorTest,
    ::testing::Values(SessionCase{"serial-and-name.hex", {"DP-1", "DEL", "DELL U2720Q", "CXK7R83"}},
                      SessionCase{"no-serial.hex", {"DP-1", "GSM", "LG ULTRAFINE", "0x00000000"}},
                      SessionCase{"panel-without-name.hex",
                                  {"eDP-1", "BOE", "0x0974", "0x00000000"}}));

}  // namespace
}  // namespace corvane::mutter
