#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/RefreshRateFormatter.h"

namespace corvane {
namespace {

struct RateCase {
    std::optional<double> rate;
    const char* text;
};

class RefreshRateText : public ::testing::TestWithParam<RateCase> {};

TEST_P(RefreshRateText, ReadsAsExpected) {
    EXPECT_EQ(RefreshRateFormatter::text(GetParam().rate), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Rates, RefreshRateText,
    ::testing::Values(RateCase{60.0, "60Hz"}, RateCase{59.97, "60Hz"}, RateCase{59.94, "59.94Hz"},
                      // 0.05 away from a whole number is no longer rounded
                      RateCase{59.96, "60Hz"}, RateCase{59.9, "59.90Hz"},
                      RateCase{143.856, "143.86Hz"}, RateCase{0.0, "자동"}, RateCase{-1.0, "자동"},
                      RateCase{std::numeric_limits<double>::quiet_NaN(), "자동"},
                      RateCase{std::nullopt, "자동"},
                      // Huge rates do not overflow.
                      RateCase{1e20, "100000000000000000000Hz"}));

}  // namespace
}  // namespace corvane
