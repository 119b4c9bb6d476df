#include <gtest/gtest.h>

#include "ScreenshotRequest.h"

namespace corvane::devdesktop {
namespace {

struct AcceptedCase {
    const char* name;
    QStringList arguments;
    ScreenshotRequest expected;
};

void PrintTo(const AcceptedCase& accepted, std::ostream* out) {
    *out << accepted.name;
}

class AcceptedArguments : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedArguments, ParseIntoTheRequest) {
    const ParsedScreenshotRequest parsed =
        parseScreenshotArguments(QStringList{"corvane-screenshot"} + GetParam().arguments);
    ASSERT_TRUE(parsed.request.has_value()) << parsed.error.toStdString();
    EXPECT_EQ(*parsed.request, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Screenshot, AcceptedArguments,
    ::testing::Values(
        AcceptedCase{
            "WholeScreen", {"--output", "a.png"}, {"a.png", ScreenshotRequest::WholeScreen{}}},
        AcceptedCase{"OutputWithEquals",
                     {"--output=/tmp/x y.png"},
                     {"/tmp/x y.png", ScreenshotRequest::WholeScreen{}}},
        AcceptedCase{
            "DecimalWindow", {"--window", "4194305", "--output", "w.png"}, {"w.png", 4194305u}},
        AcceptedCase{
            "HexWindow", {"--output", "w.png", "--window", "0x400001"}, {"w.png", 0x400001u}},
        AcceptedCase{"Rect",
                     {"--output", "r.png", "--rect", "10,20,300,40"},
                     {"r.png", QRect(10, 20, 300, 40)}},
        AcceptedCase{"RectAtOrigin",
                     {"--output", "r.png", "--rect", "0,0,1,1"},
                     {"r.png", QRect(0, 0, 1, 1)}},
        AcceptedCase{"RectWithSpaces",
                     {"--output", "r.png", "--rect", " 1, 2 ,3,4 "},
                     {"r.png", QRect(1, 2, 3, 4)}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RejectedCase {
    const char* name;
    QStringList arguments;
    const char* errorMentions;
};

void PrintTo(const RejectedCase& rejected, std::ostream* out) {
    *out << rejected.name;
}

class RejectedArguments : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(RejectedArguments, GiveOneLineSayingWhy) {
    const ParsedScreenshotRequest parsed =
        parseScreenshotArguments(QStringList{"corvane-screenshot"} + GetParam().arguments);
    EXPECT_FALSE(parsed.request.has_value());
    EXPECT_TRUE(parsed.error.contains(QLatin1String(GetParam().errorMentions)))
        << parsed.error.toStdString();
    EXPECT_FALSE(parsed.error.contains('\n'));
}

INSTANTIATE_TEST_SUITE_P(
    Screenshot, RejectedArguments,
    ::testing::Values(
        RejectedCase{"NoArguments", {}, "--output"},
        RejectedCase{"NoOutput", {"--rect", "0,0,1,1"}, "--output"},
        RejectedCase{"OutputWithoutValue", {"--output"}, "output"},
        RejectedCase{"EmptyOutput", {"--output", ""}, "--output"},
        RejectedCase{"UnknownOption", {"--output", "a.png", "--screen", "1"}, "screen"},
        RejectedCase{"StrayArgument", {"--output", "a.png", "b.png"}, "b.png"},
        RejectedCase{"OutputTwice", {"--output", "a.png", "--output", "b.png"}, "twice"},
        RejectedCase{"WindowAndRect",
                     {"--output", "a.png", "--window", "5", "--rect", "0,0,1,1"},
                     "exclude"},
        RejectedCase{"WindowZero", {"--output", "a.png", "--window", "0"}, "window identifier"},
        RejectedCase{"WindowNotANumber", {"--output", "a.png", "--window", "trayer"}, "trayer"},
        RejectedCase{
            "WindowNegative", {"--output", "a.png", "--window", "-5"}, "window identifier"},
        RejectedCase{"WindowBeyondXids",
                     {"--output", "a.png", "--window", "0x20000000"},
                     "window identifier"},
        RejectedCase{"RectThreeParts", {"--output", "a.png", "--rect", "0,0,5"}, "rectangle"},
        RejectedCase{"RectZeroWidth", {"--output", "a.png", "--rect", "0,0,0,5"}, "rectangle"},
        RejectedCase{
            "RectNegativeHeight", {"--output", "a.png", "--rect", "0,0,5,-5"}, "rectangle"},
        RejectedCase{
            "RectNegativeOrigin", {"--output", "a.png", "--rect", "-1,0,5,5"}, "rectangle"},
        RejectedCase{"RectX", {"--output", "a.png", "--rect", "10x20"}, "rectangle"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::devdesktop
