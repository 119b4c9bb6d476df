#include <gtest/gtest.h>

#include "updater/Arguments.h"

namespace corvane::updater {
namespace {

using Entries = std::vector<std::string>;

Entries complete(const std::string& pid, const std::string& source = "/s/Corvane.app") {
    return {"--pid",         pid, "--source", source, "--destination", "/d/Corvane.app",
            "--backup-root", "/b"};
}

Entries appended(Entries entries, const Entries& more) {
    entries.insert(entries.end(), more.begin(), more.end());
    return entries;
}

Arguments expected(std::int32_t pid, const std::filesystem::path& source = "/s/Corvane.app") {
    return {pid, source, "/d/Corvane.app", "/b"};
}

struct Case : NamedCase {
    Entries entries;
    std::optional<Arguments> result;
    std::optional<std::filesystem::path> current = "/home/u";
};

class ArgumentsTest : public testing::TestWithParam<Case> {};

TEST_P(ArgumentsTest, Parses) {
    EXPECT_EQ(parseArguments(GetParam().entries, GetParam().current), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ArgumentsTest,
    testing::Values(
        Case{"complete", complete("123"), expected(123)}, Case{"none", {}, std::nullopt},
        Case{"oddCount", appended(complete("1"), {"--extra"}), std::nullopt},
        Case{"strayPathInOptionPlace", appended({"/stray/path"}, complete("1")), std::nullopt},
        Case{"singleDash", appended(complete("1"), {"-x", "y"}), std::nullopt},
        Case{
            "missingOption", {"--pid", "1", "--source", "/s", "--destination", "/d"}, std::nullopt},
        Case{"pidTwiceLaterCounts", appended(complete("12a"), {"--pid", "77"}), expected(77)},
        Case{"unknownOptionIgnored", appended(complete("5"), {"--verbose", "yes"}), expected(5)},
        Case{"plusSign", complete("+123"), expected(123)},
        Case{"int32Max", complete("2147483647"), expected(2147483647)},
        // The number's form is the unit tests' of parseDecimal; here its range.
        Case{"trailingLetters", complete("12a"), std::nullopt},
        Case{"beyond32Bits", complete("2147483648"), std::nullopt},
        // 0 and below would signal a process group or every process.
        Case{"zero", complete("0"), std::nullopt},
        Case{"emptySource", complete("1", ""), std::nullopt},
        Case{"valueBeginningWithDashes", complete("1", "--odd"), expected(1, "/home/u/--odd")},
        Case{"relativeWithTrailingSlash", complete("1", "Staging/Corvane.app/"),
             expected(1, "/home/u/Staging/Corvane.app")},
        Case{"relativeWithoutCurrentFolder", complete("1", "s"), std::nullopt, std::nullopt},
        Case{"absoluteWithoutCurrentFolder", complete("1"), expected(1), std::nullopt}),
    CaseName());

}  // namespace
}  // namespace corvane::updater
