#include <gtest/gtest.h>

#include "updater/Arguments.h"

namespace corvane::updater {
namespace {

using Entries = std::vector<std::string>;

const std::filesystem::path kCurrent = "/home/u";

Entries complete(const std::string& pid) {
    return {"--pid",         pid, "--source", "/s/Corvane.app", "--destination", "/d/Corvane.app",
            "--backup-root", "/b"};
}

Arguments expected(std::int32_t pid) {
    return {pid, "/s/Corvane.app", "/d/Corvane.app", "/b"};
}

struct Case {
    const char* name;
    Entries entries;
    std::optional<Arguments> result;
};

void PrintTo(const Case& value, std::ostream* out) {
    *out << value.name;
}

class ArgumentsTest : public testing::TestWithParam<Case> {};

TEST_P(ArgumentsTest, Parses) {
    EXPECT_EQ(parseArguments(GetParam().entries, kCurrent), GetParam().result);
}

Entries appended(Entries entries, std::initializer_list<std::string> more) {
    entries.insert(entries.end(), more);
    return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ArgumentsTest,
    testing::Values(
        Case{"complete", complete("123"), expected(123)},
        Case{"anyOrder",
             {"--backup-root", "/b", "--destination", "/d/Corvane.app", "--pid", "9", "--source",
              "/s/Corvane.app"},
             expected(9)},
        Case{"none", {}, std::nullopt},
        Case{"oddCount", appended(complete("1"), {"--extra"}), std::nullopt},
        Case{"singleDash", appended(complete("1"), {"-x", "y"}), std::nullopt},
        Case{"strayPathInOptionPlace",
             {"/stray/path", "--pid", "1", "--source", "/s/Corvane.app", "--destination",
              "/d/Corvane.app", "--backup-root", "/b"},
             std::nullopt},
        Case{
            "missingOption", {"--pid", "1", "--source", "/s", "--destination", "/d"}, std::nullopt},
        Case{"pidTwiceLaterCounts", appended(complete("12a"), {"--pid", "77"}), expected(77)},
        Case{"pidTwiceLaterBad", appended(complete("77"), {"--pid", "12a"}), std::nullopt},
        Case{"unknownOptionIgnored", appended(complete("5"), {"--verbose", "yes"}), expected(5)},
        Case{"plusSign", complete("+123"), expected(123)},
        Case{"int32Max", complete("2147483647"), expected(2147483647)},
        // The number's form is the unit tests' of parseDecimal; here its range.
        Case{"trailingLetters", complete("12a"), std::nullopt},
        Case{"beyond32Bits", complete("2147483648"), std::nullopt},
        Case{"zero", complete("0"), std::nullopt}, Case{"minusOne", complete("-1"), std::nullopt},
        Case{"emptySource",
             {"--pid", "1", "--source", "", "--destination", "/d", "--backup-root", "/b"},
             std::nullopt},
        Case{"valueBeginningWithDashes",
             {"--pid", "1", "--source", "--odd", "--destination", "/d", "--backup-root", "/b"},
             Arguments{1, "/home/u/--odd", "/d", "/b"}},
        Case{"relativeAndTrailingSlashes",
             {"--pid", "1", "--source", "Staging/Corvane.app/", "--destination", "/d//",
              "--backup-root", "/"},
             Arguments{1, "/home/u/Staging/Corvane.app", "/d", "/"}}),
    [](const auto& info) { return info.param.name; });

TEST(ArgumentsTest, RelativePathsNeedAKnownCurrentFolder) {
    const Entries entries{"--pid",         "1",  "--source",      "s",
                          "--destination", "/d", "--backup-root", "/b"};
    EXPECT_FALSE(parseArguments(entries, std::nullopt));
    EXPECT_TRUE(parseArguments(complete("1"), std::nullopt));
}

}  // namespace
}  // namespace corvane::updater
