#include <gtest/gtest.h>

#include "update/JsonNumberText.h"

namespace corvane {
namespace {

struct Literal {
    const char* name;
    const char* text;
    std::optional<qint64> value;
};

void PrintTo(const Literal& value, std::ostream* out) {
    *out << value.name;
}

class ExactJsonIntegerTest : public testing::TestWithParam<Literal> {};

TEST_P(ExactJsonIntegerTest, ReadsOnlyWholeNumbersExactly) {
    EXPECT_EQ(exactJsonInteger(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExactJsonIntegerTest,
    testing::Values(Literal{"negativeZero", "-0", 0}, Literal{"zeroFraction", "0.000", 0},
                    Literal{"zeroHugeExponent", "0e999999999999", 0},
                    Literal{"trailingZerosInFraction", "12.500e1", 125},
                    Literal{"negativeExponentWhole", "1200e-2", 12},
                    Literal{"negativeExponentFraction", "1201e-2", std::nullopt},
                    Literal{"tinyFraction", "1e-999999999999", std::nullopt},
                    Literal{"upperE", "2E3", 2000}, Literal{"plusExponent", "2e+3", 2000},
                    Literal{"nineteenDigits", "1000000000000000000", 1000000000000000000LL},
                    Literal{"twentyDigits", "10000000000000000000", std::nullopt},
                    Literal{"leadingZerosThenLimit", "0009223372036854775807",
                            std::numeric_limits<qint64>::max()},
                    Literal{"empty", "", std::nullopt}, Literal{"signOnly", "-", std::nullopt},
                    Literal{"dotWithoutDigits", "1.", std::nullopt},
                    Literal{"exponentWithoutDigits", "1e", std::nullopt},
                    Literal{"plusSign", "+1", std::nullopt},
                    Literal{"string", "\"1\"", std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(RawMemberValueTest, FindsTheTopLevelMemberAsWritten) {
    const QByteArray json = R"( { "a" : {"build": 1}, "b":[ "build", 2 ], "build" : 5.0e1 } )";
    const auto value = rawMemberValue(json, u"build");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->toByteArray(), "5.0e1");
}

TEST(RawMemberValueTest, StringsWithBracesAndEscapedQuotesDoNotConfuseIt) {
    const QByteArray json = R"({"x":"}\"{[","build":-3})";
    const auto value = rawMemberValue(json, u"build");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->toByteArray(), "-3");
}

TEST(RawMemberValueTest, AMissingMemberOrABrokenDocumentGivesNothing) {
    EXPECT_FALSE(rawMemberValue(R"({"a":1})", u"build"));
    EXPECT_FALSE(rawMemberValue(R"({})", u"build"));
    EXPECT_FALSE(rawMemberValue(R"({"build":1)", u"build"));
    EXPECT_FALSE(rawMemberValue(R"([1])", u"build"));
}

}  // namespace
}  // namespace corvane
