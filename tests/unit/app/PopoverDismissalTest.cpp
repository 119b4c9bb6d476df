#include <gtest/gtest.h>

#include "app/PopoverDismissal.h"

namespace corvane {
namespace {

struct LocalCase : NamedCase {
    LocalMouseDown press;
    DismissalDecision expected;
};

class LocalMouseDownDecision : public ::testing::TestWithParam<LocalCase> {};

TEST_P(LocalMouseDownDecision, Decides) {
    EXPECT_EQ(decideLocalMouseDown(GetParam().press), GetParam().expected);
}

using D = DismissalDecision;

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalMouseDownDecision,
    ::testing::Values(LocalCase{"PopoverHidden", {false, false, false, false}, D::keepOpen},
                      LocalCase{"InsidePopover", {true, true, false, false}, D::keepOpen},
                      LocalCase{"OnStatusButton", {true, false, true, true}, D::keepOpen},
                      LocalCase{"ButtonWindowOutsideButton", {true, false, true, false}, D::close},
                      LocalCase{"OtherOwnWindow", {true, false, false, false}, D::close},
                      // A position inside the button's frame only counts in its window.
                      LocalCase{
                          "ButtonFrameInAnotherWindow", {true, false, false, true}, D::close}),
    CaseName());

}  // namespace
}  // namespace corvane
