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

// A (primary) at the origin and B beside it, both at 1920×1080 of three
// modes; B underscans; C is connected but shown nowhere.
DisplayConfigState layout(std::uint32_t layoutMode = kLayoutPhysical, double scaleOfA = 1.0,
                          std::uint32_t transformOfA = 0, int xOfB = 1920, int yOfB = 0) {
    const std::vector<Mode> modes = {mode(3840, 2160, {1.0, 2.0}),
                                     mode(1920, 1080, {1.0, 2.0}, true), mode(1280, 720)};
    return {
        7,
        {{key("A"), modes, "A", {}}, {key("B"), modes, "B", true}, {key("C"), {}, "C", {}}},
        {{0, 0, scaleOfA, transformOfA, true, {key("A")}}, {xOfB, yOfB, 1.0, 0, false, {key("B")}}},
        layoutMode,
        true};
}

// "x,y ×scale mode turn, …": each logical monitor of the plan, then its
// serial and layout mode.
QString describe(const MonitorsConfig& config) {
    QString text;
    for (const LogicalMonitorConfig& logical : config.logicalMonitors) {
        const MonitorAssignment& monitor = logical.monitors.at(0);
        text += QStringLiteral("%1,%2 ×%3 %4 %5%6%7, ")
                    .arg(logical.x)
                    .arg(logical.y)
                    .arg(logical.scale)
                    .arg(monitor.modeId)
                    .arg(logical.transform)
                    .arg(logical.primary ? " primary" : "")
                    .arg(monitor.properties.value("underscanning").toBool() ? " underscan" : "");
    }
    return text + QStringLiteral("%1 %2")
                      .arg(config.serial)
                      .arg(config.properties.value("layout-mode").toUInt());
}

TEST(PlanModeSwitch, KeepsEverythingElseAndTheMonitorsTouching) {
    const std::tuple<DisplayConfigState, const char*, const char*, const char*> rows[] = {
        {layout(), "B", "1280x720@60.000",
         "0,0 ×1 1920x1080@60.000 0 primary, 1920,0 ×1 1280x720@60.000 0 underscan, 7 2"},
        {layout(), "A", "1280x720@60.000",
         "0,0 ×1 1280x720@60.000 0 primary, 1280,0 ×1 1920x1080@60.000 0 underscan, 7 2"},
        {layout(kLayoutPhysical, 1, 0, 0, 1080), "A", "3840x2160@60.000",
         "0,0 ×1 3840x2160@60.000 0 primary, 0,2160 ×1 1920x1080@60.000 0 underscan, 7 2"},
        // Turned a quarter, its height is its width in the layout.
        {layout(kLayoutPhysical, 1, 1, 1080), "A", "1280x720@60.000",
         "0,0 ×1 1280x720@60.000 1 primary, 720,0 ×1 1920x1080@60.000 0 underscan, 7 2"},
        // Scaled: the scale stays where the new mode allows it, else the
        // mode's preferred one; the layout is in logical pixels.
        {layout(kLayoutLogical, 2, 0, 960), "A", "3840x2160@60.000",
         "0,0 ×2 3840x2160@60.000 0 primary, 1920,0 ×1 1920x1080@60.000 0 underscan, 7 1"},
        {layout(kLayoutLogical, 2, 0, 960), "A", "1280x720@60.000",
         "0,0 ×1 1280x720@60.000 0 primary, 1280,0 ×1 1920x1080@60.000 0 underscan, 7 1"}};
    for (const auto& [state, connector, modeId, expected] : rows) {
        const std::optional<MonitorsConfig> config = planModeSwitch(state, connector, modeId);
        ASSERT_TRUE(config);
        EXPECT_EQ(describe(*config), expected);
    }
}

TEST(PlanModeSwitch, NeedsAShownMonitorAndOneOfItsModes) {
    EXPECT_FALSE(planModeSwitch(layout(), "C", "1920x1080@60.000"));
    EXPECT_FALSE(planModeSwitch(layout(), "B", "1600x900@60.000"));
}

TEST(ModeIdentifier, FollowsSizeRateAndInterlacingOnly) {
    const std::int32_t id = modeIdentifier(mode(1920, 1080));
    EXPECT_EQ(modeIdentifier(mode(1920, 1080, {1.0, 2.0}, true)), id);
    EXPECT_NE(modeIdentifier(mode(1920, 1200)), id);
    Mode other = mode(1920, 1080);
    other.refreshRate = 59.94;
    EXPECT_NE(modeIdentifier(other), id);
    other = mode(1920, 1080);
    other.isInterlaced = true;
    EXPECT_NE(modeIdentifier(other), id);
    EXPECT_FALSE(platformMode(other).usableForDesktop);
}

QByteArray edidFixture(const char* name) {
    QFile file(QStringLiteral(CORVANE_EDID_FIXTURES "/%1").arg(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QByteArray::fromHex(file.readAll().simplified().replace(' ', ""));
}

// The X11 backend reads a monitor's EDID; Mutter reports the same monitor
// as text, on a port named differently. Both must give it one identifier,
// so that its saved mode follows it between sessions. Without an EDID both
// fall back to the port's name.
TEST(SameMonitor, HasOneIdentifierUnderX11AndMutter) {
    const std::tuple<const char*, const char*, MonitorKey> rows[] = {
        {"serial-and-name.hex", "DisplayPort-0", {"DP-1", "DEL", "DELL U2720Q", "CXK7R83"}},
        {"no-serial.hex", "HDMI-A-0", {"DP-1", "GSM", "LG ULTRAFINE", "0x00000000"}},
        {"panel-without-name.hex", "eDP", {"eDP-1", "BOE", "0x0974", "0x00000000"}},
        {nullptr, "eDP-1", {"eDP-1", "unknown", "unknown", "unknown"}}};
    for (const auto& [edid, output, reported] : rows) {
        x11::RandrLayout randr;
        randr.modes = {{0x40, 1920, 1080, 148500000, 2200, 1125, 0}};
        randr.crtcs = {{0x60, 0, 0, 0x40, x11::kRotate0, {0x70}, {}, {}}};
        randr.outputs = {{0x70, output, true, 0x60, {0x40}, edid ? edidFixture(edid) : ""}};
        const DisplayConfigState mutter{1,
                                        {{reported, {mode(1920, 1080, {1.0}, true)}, "", {}}},
                                        {{0, 0, 1, 0, true, {reported}}}};
        EXPECT_EQ(x11::onlineDisplays(randr).at(0).id, onlineMonitors(mutter).at(0).id) << output;
    }
}

}  // namespace
}  // namespace corvane::mutter
