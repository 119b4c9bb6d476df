#include <gtest/gtest.h>

#include "renders/SampleViews.h"
#include "ui/PopoverValues.h"

namespace corvane {
namespace {

using samples::display;
using samples::displayAt;
using samples::mode;

DisplayPopoverView viewOf(std::optional<DisplayInfo> selected) {
    DisplayPopoverView view;
    view.display = std::move(selected);
    return view;
}

// The status card and the number preview for each kind of selection. The
// panel's other texts are checked where they are shown, in the layout and
// menu tests of tests/integration/ui.
struct CardCase : NamedCase {
    std::optional<DisplayInfo> selected;
    double gauge;
    QString rate;
    QString size;
    QString preview;
};

class PopoverCardValues : public ::testing::TestWithParam<CardCase> {};

TEST_P(PopoverCardValues, FollowTheCurrentMode) {
    const CardCase& c = GetParam();
    const DisplayPopoverView view = viewOf(c.selected);
    EXPECT_DOUBLE_EQ(PopoverValues::gaugeValue(view), c.gauge);
    EXPECT_EQ(PopoverValues::rateNumber(view), c.rate);
    EXPECT_EQ(PopoverValues::sizeLine(view), c.size);
    EXPECT_EQ(PopoverValues::numberPreview(view), c.preview);
}

DisplayInfo retina() {
    // Points, not pixels, make the size line.
    return display(9, "Built-in", DisplayModeInfo{5, 1512, 982, 3024, 1964, 120.0, 0});
}

INSTANTIATE_TEST_SUITE_P(
    Selections, PopoverCardValues,
    ::testing::Values(
        CardCase{"none", std::nullopt, 0.45, "—", "해상도 확인 중…", "60"},
        CardCase{"noCurrentMode", display(1, "A", std::nullopt), 0.45, "—", "해상도 확인 중…",
                 "확인 중"},
        CardCase{"zeroRate", displayAt(0), 0.45, "자동", "1920×1080", "자동"},
        CardCase{"tenHz", displayAt(10), 0.08, "10", "1920×1080", "10"},
        CardCase{"sixtyPointOhTwo", displayAt(60.02), 60.02 / 165.0, "60", "1920×1080", "60"},
        CardCase{"fractional", displayAt(59.94), 59.94 / 165.0, "59.94", "1920×1080", "59.94"},
        CardCase{"oneTwenty", retina(), 120.0 / 165.0, "120", "1512×982", "120"},
        CardCase{"twoForty", displayAt(240), 1.0, "240", "1920×1080", "240"}),
    CaseName());

QStringList displayTitles(const DisplayPopoverView& view) {
    QStringList titles;
    for (const auto& entry : PopoverValues::displayEntries(view)) {
        titles << QStringLiteral("%1:%2").arg(entry.id).arg(entry.title);
    }
    return titles;
}

// Names are compared as canonically equivalent text: the selection may
// carry a name composed differently than the list does.
TEST(PopoverDisplayEntries, MarkEveryDisplayWithTheSelectedName) {
    const QString composed = QStringLiteral("모니터");
    const QString decomposed = composed.normalized(QString::NormalizationForm_D);
    ASSERT_NE(composed, decomposed);
    DisplayPopoverView view;
    view.displays = {display(1, "DELL U2720Q", std::nullopt), display(2, decomposed, std::nullopt),
                     display(3, "DELL U2720Q", std::nullopt)};
    EXPECT_EQ(displayTitles(view),
              (QStringList{"1:DELL U2720Q", "2:" + decomposed, "3:DELL U2720Q"}));

    view.display = view.displays[2];
    EXPECT_EQ(displayTitles(view),
              (QStringList{"1:✓ 현재 · DELL U2720Q", "2:" + decomposed, "3:✓ 현재 · DELL U2720Q"}));
    view.display = display(2, composed, std::nullopt);
    EXPECT_EQ(displayTitles(view),
              (QStringList{"1:DELL U2720Q", "2:✓ 현재 · " + decomposed, "3:DELL U2720Q"}));
}

QStringList modeTitles(const DisplayInfo& selected) {
    QStringList titles;
    for (const auto& entry : PopoverValues::modeEntries(viewOf(selected))) {
        titles << entry.title;
    }
    return titles;
}

// Which modes are listed is the display's menu modes'; here, which are marked.
TEST(PopoverModeEntries, MarkEveryEntryTheCurrentModeMatches) {
    // The current mode has no identifier and a slightly different rate than
    // the listed 60 Hz entries, so it matches them without being one of them.
    const std::vector modes{mode(41, 1920, 1080, 60.0), mode(42, 1920, 1080, 50.0),
                            mode(43, 1920, 1080, 60.04), mode(44, 1280, 720, 60.0)};
    EXPECT_EQ(modeTitles(display(4, "A", mode(0, 1920, 1080, 59.96), modes)),
              (QStringList{"✓ 현재 · 1920×1080 · 60Hz", "1920×1080 · 50Hz",
                           "✓ 현재 · 1920×1080 · 60Hz", "1280×720 · 60Hz"}));
    EXPECT_EQ(modeTitles(display(4, "A", std::nullopt, modes)),
              (QStringList{"1920×1080 · 60Hz", "1920×1080 · 50Hz", "1920×1080 · 60Hz",
                           "1280×720 · 60Hz"}));
    // A low-density current mode is listed after the dense modes, marked.
    EXPECT_EQ(modeTitles(display(5, "B", DisplayModeInfo{9, 1920, 1080, 1920, 1080, 60.0, 0},
                                 {DisplayModeInfo{7, 1512, 982, 3024, 1964, 120.0, 0}})),
              (QStringList{"1512×982 · 120Hz", "✓ 현재 · 1920×1080 · 60Hz"}));
}

}  // namespace
}  // namespace corvane
