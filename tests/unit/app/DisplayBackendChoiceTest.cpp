#include <gtest/gtest.h>

#include "app/DisplayBackendChoice.h"

namespace corvane {
namespace {

TEST(DisplayBackendChoiceTest, FollowsTheSession) {
    using enum DisplayBackendChoice;
    const std::pair<SessionFacts, DisplayBackendChoice> rows[] = {
        {{true, "wayland-0", "wayland"}, mutter},
        {{true, "", "x11"}, mutter},
        {{false, "wayland-1", ""}, unsupportedWayland},
        {{false, "", "Wayland"}, unsupportedWayland},
        {{false, "", "x11"}, x11},
        {{false, "", ""}, x11}};
    for (const auto& [facts, expected] : rows) {
        EXPECT_EQ(chooseDisplayBackend(facts), expected)
            << facts.mutterOnSessionBus << facts.waylandDisplay.toStdString() << " "
            << facts.sessionType.toStdString();
    }
}

}  // namespace
}  // namespace corvane
