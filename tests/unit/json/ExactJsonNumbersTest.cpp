#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

#include "json/ExactJsonNumbers.h"

// Found by argument-dependent lookup, so it must live beside QHash: failure
// messages then show each member's key with its text.
static void PrintTo(const QHash<QString, QByteArray>& members, std::ostream* out) {
    QStringList lines;
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        lines << it.key() + QStringLiteral(" = ") + QString::fromUtf8(it.value());
    }
    lines.sort();
    *out << '{' << lines.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace corvane {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

struct LiteralCase : NamedCase {
    const char* literal;
    std::variant<std::int64_t, LiteralFault> expected;
};

class WholeNumberLiteralTest : public testing::TestWithParam<LiteralCase> {};

TEST_P(WholeNumberLiteralTest, ReadsOnlyWholeNumbersExactly) {
    EXPECT_EQ(wholeNumberFromLiteral(GetParam().literal), GetParam().expected)
        << GetParam().literal;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Literals, WholeNumberLiteralTest,
    testing::Values(
        LiteralCase{"zero", "0", 0},
        LiteralCase{"negativeZeroWithFractionAndExponent", "-0.0e5", 0},
        LiteralCase{"zeroHugeExponent", "0e999999999999", 0},
        LiteralCase{"negative", "-7", -7},
        LiteralCase{"zeroFractionDigits", "60.0", 60},
        LiteralCase{"fractionCancelledByExponent", "1.5e1", 15},
        LiteralCase{"trailingZerosInFraction", "12.500e1", 125},
        LiteralCase{"negativeExponentWhole", "1200e-2", 12},
        LiteralCase{"upperE", "2E3", 2000},
        LiteralCase{"plusExponent", "2e+3", 2000},
        LiteralCase{"negativeExponentFraction", "1201e-2", LiteralFault::fractional},
        LiteralCase{"fraction", "0.5", LiteralFault::fractional},
        LiteralCase{"fractionBelowDouble", "1e-400", LiteralFault::fractional},
        LiteralCase{"tinyFraction", "1e-999999999999", LiteralFault::fractional},
        LiteralCase{"int64Max", "9223372036854775807", kMax},
        LiteralCase{"int64MaxWithFractionDigits", "9223372036854775807.000", kMax},
        LiteralCase{"int64MaxWithExponent", "9.223372036854775807e18", kMax},
        LiteralCase{"int64Min", "-9223372036854775808", kMin},
        LiteralCase{"leadingZerosThenLimit", "0009223372036854775807", kMax},
        LiteralCase{"aboveInt64Max", "9223372036854775808", LiteralFault::outOfRange},
        LiteralCase{"belowInt64Min", "-9223372036854775809", LiteralFault::outOfRange},
        LiteralCase{"aboveInt64MaxWithExponent", "9.3e18", LiteralFault::outOfRange},
        LiteralCase{"twentyDigits", "10000000000000000000", LiteralFault::outOfRange},
        LiteralCase{"twentyDigitsByExponent", "1e19", LiteralFault::outOfRange},
        LiteralCase{"hugeExponent", "1e999999999999", LiteralFault::outOfRange},
        LiteralCase{"empty", "", LiteralFault::malformed},
        LiteralCase{"signOnly", "-", LiteralFault::malformed},
        LiteralCase{"plusSign", "+1", LiteralFault::malformed},
        LiteralCase{"dotWithoutDigits", "1.", LiteralFault::malformed},
        LiteralCase{"exponentWithoutDigits", "1e", LiteralFault::malformed},
        LiteralCase{"trailingLetters", "12abc", LiteralFault::malformed},
        LiteralCase{"string", "\"1\"", LiteralFault::malformed}),
    CaseName());
// clang-format on

struct MembersCase : NamedCase {
    QByteArray json;
    QHash<QString, QByteArray> members;
};

class RawObjectMembersTest : public testing::TestWithParam<MembersCase> {};

TEST_P(RawObjectMembersTest, GivesEachTopLevelValueAsWritten) {
    const QHash<QString, QByteArray> members = rawObjectMembers(GetParam().json);
    EXPECT_EQ(members, GetParam().members);
    // Whatever the scan finds, Qt must see the same keys in the same document.
    if (!members.isEmpty()) {
        const QStringList qtKeys = QJsonDocument::fromJson(GetParam().json).object().keys();
        QStringList keys = members.keys();
        keys.sort();
        EXPECT_EQ(keys, qtKeys);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Documents, RawObjectMembersTest,
    testing::Values(
        MembersCase{"nestedKeysOfTheSameNameAreNotMembers",
            R"( { "a" : {"build": 1}, "b":[ "build", 2 ], "build" : 5.0e1 } )",
            {{"a", R"({"build": 1})"}, {"b", R"([ "build", 2 ])"}, {"build", "5.0e1"}}},
        MembersCase{"stringsWithBracesAndEscapedQuotes", R"({"x":"}\"{[","build":-3})",
            {{"x", R"("}\"{[")"}, {"build", "-3"}}},
        MembersCase{"valuesOfEveryKind", R"({"n":null,"t":true,"f":false,"s":"","e":{},"l":[]})",
            {{"n", "null"}, {"t", "true"}, {"f", "false"}, {"s", R"("")"}, {"e", "{}"},
             {"l", "[]"}}},
        MembersCase{"whiteSpaceOfEveryKind", "\r\n{\t\"a\"\n:\r1 ,\"b\":2}\n",
            {{"a", "1"}, {"b", "2"}}},
        MembersCase{"escapedKeyIsDecoded", R"({"\u0062uild":7,"say \"hi\"":1})",
            {{"build", "7"}, {"say \"hi\"", "1"}}},
        MembersCase{"lastDuplicateWins", R"({"build":1.5,"build":12})", {{"build", "12"}}},
        MembersCase{"byteOrderMark", "\xEF\xBB\xBF{\"build\":3}", {{"build", "3"}}},
        MembersCase{"emptyObject", "{}", {}},
        MembersCase{"truncated", R"({"build":1)", {}},
        MembersCase{"unterminatedString", R"({"build":"1)", {}},
        MembersCase{"unclosedNestedValue", R"({"a":[1,{"b":2}})", {}},
        MembersCase{"missingColon", R"({"build" 1})", {}},
        MembersCase{"unquotedKey", R"({build:1})", {}},
        MembersCase{"garbageAfterTheObject", R"({"build":1} x)", {}},
        MembersCase{"topLevelArray", "[1]", {}},
        MembersCase{"empty", "", {}}),
    CaseName());
// clang-format on

}  // namespace
}  // namespace corvane
