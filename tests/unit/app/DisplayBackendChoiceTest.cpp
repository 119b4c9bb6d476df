#include <gtest/gtest.h>

#include "app/DisplayBackendChoice.h"

namespace corvane {
namespace {

TEST(DisplayBackendChoiceTest, FollowsTheSession) {
    const struct {
        SessionFacts facts;
        DisplayBackendChoice expected;
    } rows[] = {
        {{true, "wayland-0", "wayland"}, DisplayBackendChoice::mutter},
        {{true, "", "x11"}, DisplayBackendChoice::mutter},
        {{false, "wayland-1", ""}, DisplayBackendChoice::unsupportedWayland},
        {{false, "", "Wayland"}, DisplayBackendChoice::unsupportedWayland},
        {{false, "", "x11"}, DisplayBackendChoice::x11},
        {{false, "", ""}, DisplayBackendChoice::x11},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(chooseDisplayBackend(row.facts), row.expected)
            << row.facts.mutterOnSessionBus << " " << row.facts.waylandDisplay.toStdString() << " "
            << row.facts.sessionType.toStdString();
    }
}

}  // namespace
}  // namespace corvane
