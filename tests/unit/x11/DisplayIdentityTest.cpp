#include <gtest/gtest.h>

#include "platform/x11/DisplayIdentity.h"

namespace corvane::x11 {
namespace {

Edid monitor(std::uint32_t serial, QString serialText = {}) {
    return {"DEL", 0xa0ec, serial, std::move(serialText), "DELL U2720Q"};
}

TEST(DisplayIdentityTest, FollowsTheMonitorAcrossPortsAndRuns) {
    const DisplayId id = monitorDisplayId({"DP-1", monitor(77)});
    EXPECT_EQ(monitorDisplayId({"HDMI-2", monitor(77)}), id);
    // Saved modes are keyed by this number: it must never change between
    // versions of the program.
    EXPECT_EQ(id, 0x6215ba0du);
    EXPECT_EQ(monitorDisplayId({"DP-1", std::nullopt}), 0x97b64db3u);
}

TEST(DisplayIdentityTest, TellsMonitorsApartBySerialNumberOrText) {
    const DisplayId id = monitorDisplayId({"DP-1", monitor(77)});
    EXPECT_NE(monitorDisplayId({"DP-1", monitor(78)}), id);
    EXPECT_NE(monitorDisplayId({"DP-1", monitor(0, "CXK7R83")}),
              monitorDisplayId({"DP-1", monitor(0, "CXK7R84")}));
    Edid otherModel = monitor(77);
    otherModel.productCode = 0xa0ed;
    EXPECT_NE(monitorDisplayId({"DP-1", otherModel}), id);
    // A renamed monitor is the same monitor.
    Edid renamed = monitor(77);
    renamed.monitorName = "Desk";
    EXPECT_EQ(monitorDisplayId({"DP-1", renamed}), id);
}

TEST(DisplayIdentityTest, UsesThePortWhenThereIsNoEdid) {
    EXPECT_NE(monitorDisplayId({"DP-1", std::nullopt}), monitorDisplayId({"DP-2", std::nullopt}));
    EXPECT_NE(monitorDisplayId({"DP-1", std::nullopt}), monitorDisplayId({"DP-1", monitor(0)}));
}

TEST(DisplayIdentityTest, GivesIdenticalMonitorsDistinctIdentifiersWhateverTheListOrder) {
    const Edid twin = monitor(0);
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

    const std::vector<DisplayId> triplets =
        assignDisplayIds({{"DP-1", twin}, {"DP-2", twin}, {"DP-3", twin}});
    EXPECT_NE(triplets[0], triplets[1]);
    EXPECT_NE(triplets[1], triplets[2]);
    EXPECT_NE(triplets[0], triplets[2]);
}

}  // namespace
}  // namespace corvane::x11
