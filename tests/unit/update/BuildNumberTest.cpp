#include <gtest/gtest.h>

#include <limits>

#include "update/BuildNumber.h"

namespace corvane {
namespace {

struct BundleVersion {
    const char* name;
    std::optional<QString> text;
    qint64 build;
};

void PrintTo(const BundleVersion& value, std::ostream* out) {
    *out << value.name;
}

class BuildNumberTest : public testing::TestWithParam<BundleVersion> {};

TEST_P(BuildNumberTest, ReadsOnlyPlainDecimalNumbers) {
    EXPECT_EQ(buildNumberFromBundleVersion(GetParam().text), GetParam().build);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BuildNumberTest,
    testing::Values(BundleVersion{"plain", "57", 57}, BundleVersion{"dotted", "1.0", 0},
                    BundleVersion{"missing", std::nullopt, 0}, BundleVersion{"plusSign", "+7", 7},
                    BundleVersion{"minusSign", "-7", -7},
                    BundleVersion{"trailingLetters", "12a", 0},
                    BundleVersion{"leadingZeros", "057", 57}, BundleVersion{"empty", "", 0},
                    BundleVersion{"doubleSign", "+-5", 0}, BundleVersion{"leadingSpace", " 57", 0},
                    BundleVersion{"fullWidthDigits", QStringLiteral("５７"), 0},
                    BundleVersion{"int64Max", "9223372036854775807",
                                  std::numeric_limits<qint64>::max()},
                    BundleVersion{"outOfRange", "9223372036854775808", 0}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
