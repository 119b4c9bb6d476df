#include <gtest/gtest.h>

#include "platform/monitor/DisplayIdentity.h"

namespace corvane {
namespace {

MonitorNames monitor(QString serial) {
    return {"DEL", "DELL U2720Q", std::move(serial)};
}

TEST(DisplayIdentityTest, FollowsTheMonitorAcrossPortsAndTellsMonitorsApart) {
    const DisplayId id = monitorDisplayId({"DP-1", monitor("CXK7R83")});
    EXPECT_EQ(monitorDisplayId({"HDMI-2", monitor("CXK7R83")}), id);
    // Saved modes are keyed by these numbers: they must never change
    // between versions of the program.
    EXPECT_EQ(id, 0xb6a1f443u);
    EXPECT_EQ(monitorDisplayId({"DP-1", std::nullopt}), 0x97b64db3u);
    // Vendor, product and serial each tell monitors apart; without an EDID
    // the port does.
    for (const MonitorNames& other :
         {monitor("CXK7R84"), MonitorNames{"DEL", "DELL U2720", "CXK7R83"},
          MonitorNames{"DEM", "DELL U2720Q", "CXK7R83"}}) {
        EXPECT_NE(monitorDisplayId({"DP-1", other}), id);
    }
    EXPECT_NE(monitorDisplayId({"DP-1", std::nullopt}), monitorDisplayId({"DP-2", std::nullopt}));
    EXPECT_NE(monitorDisplayId({"DP-1", std::nullopt}),
              monitorDisplayId({"DP-1", monitor("0x00000000")}));
}

TEST(DisplayIdentityTest, GivesIdenticalMonitorsDistinctIdentifiersWhateverTheListOrder) {
    const MonitorNames twin = monitor("0x00000000");
    const std::vector<DisplayId> ids =
        assignDisplayIds({{"DP-2", twin}, {"eDP-1", std::nullopt}, {"DP-1", twin}});
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_NE(ids[0], ids[2]);
    // The first port by name keeps the monitor's own identifier.
    EXPECT_EQ(ids[2], monitorDisplayId({"DP-1", twin}));
    EXPECT_EQ(ids[1], monitorDisplayId({"eDP-1", std::nullopt}));

    const std::vector<DisplayId> reordered =
        assignDisplayIds({{"DP-1", twin}, {"DP-2", twin}, {"eDP-1", std::nullopt}});
    EXPECT_EQ(reordered, (std::vector<DisplayId>{ids[2], ids[0], ids[1]}));
}

}  // namespace
}  // namespace corvane
