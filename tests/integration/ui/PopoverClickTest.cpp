#include <gtest/gtest.h>

#include "PopoverFixtures.h"
#include "renders/SampleViews.h"
#include "ui/components/QuietSwitch.h"

namespace corvane {
namespace {

using namespace corvane::samples;
using namespace corvane::testing;

// One control of the panel, how a user reaches it, and the single callback
// it must fire.
struct Click : NamedCase {
    std::function<void(const QWidget&)> act;
    QStringList expected;
    DisplayPopoverView (*view)() = normalView;
};

std::function<void(const QWidget&)> button(const char* name) {
    return [name](const QWidget& root) {
        QWidget* target = child(root, name);
        ASSERT_NE(target, nullptr) << name;
        clickCentre(target);
    };
}

std::function<void(const QWidget&)> entry(const char* face, const char* menu, std::size_t index) {
    return [=](const QWidget& root) {
        PullDownMenu* opened = openMenu(root, face, menu);
        ASSERT_NE(opened, nullptr) << menu;
        ASSERT_LT(index, opened->entries().size());
        clickEntry(opened, index);
        opened->close();
    };
}

QString modeCall(const DisplayModeInfo& m) {
    return QStringLiteral("onSelectMode(%1, 101)").arg(describe(m));
}

class PopoverClicks : public ::testing::TestWithParam<Click> {};

TEST_P(PopoverClicks, FireExactlyTheirCallbackWithTheirValue) {
    const Click& c = GetParam();
    CallbackLog log;
    auto panel = showPanel(log.wire(c.view()));
    c.act(*panel);
    EXPECT_EQ(log.calls, c.expected);
}

const std::vector<DisplayModeInfo> kStudioModes = studioDisplay().modes;

INSTANTIATE_TEST_SUITE_P(
    Controls, PopoverClicks,
    ::testing::Values(
        Click{"gear", button("settingsButton"), {"onOpenSettings"}},
        Click{"glyphStyle", button("iconStyle.glyph"), {"onSelectIconStyle(glyph)"}},
        Click{"selectedRingStyle", button("iconStyle.ring"), {"onSelectIconStyle(ring)"}},
        Click{"animateOff", button("animateSwitch"), {"onSetAnimateOnChange(0)"}},
        Click{"animateOn", button("animateSwitch"), {"onSetAnimateOnChange(1)"}, noCurrentModeView},
        Click{"swatchSystem", button("swatch.system"), {"onSetColorMode(system)"}},
        Click{"swatchBlue", button("swatch.blue"), {"onSetColorMode(blue)"}},
        Click{"selectedSwatch", button("swatch.adaptive"), {"onSetColorMode(adaptive)"}},
        Click{"currentDisplay", entry("displayPicker", "displayMenu", 0), {"onSelectDisplay(101)"}},
        Click{"otherDisplay", entry("displayPicker", "displayMenu", 1), {"onSelectDisplay(202)"}},
        // The marked entry hands over the listed mode, not the current one.
        Click{"markedMode", entry("modePicker", "modeMenu", 1), {modeCall(kStudioModes[1])}},
        Click{"lastMode", entry("modePicker", "modeMenu", 3), {modeCall(kStudioModes[3])}},
        Click{"refresh", button("refreshButton"), {"onRefresh"}},
        Click{"loginItemOff", entry("moreButton", "moreMenu", 0), {"onSetLoginItem(0)"}},
        Click{"autoApplyOn", entry("moreButton", "moreMenu", 1), {"onSetAutoApply(1)"}},
        Click{"updateLine", entry("moreButton", "moreMenu", 3), {}},
        Click{"checkForUpdate", entry("moreButton", "moreMenu", 4), {"onCheckForUpdate"}},
        Click{"updateWhileChecking", entry("moreButton", "moreMenu", 4), {}, noDisplayView},
        Click{"openSettings", entry("moreButton", "moreMenu", 5), {"onOpenSettings"}},
        Click{"quit", entry("moreButton", "moreMenu", 7), {"onQuit"}},
        Click{"loginItemOn",
              entry("moreButton", "moreMenu", 0),
              {"onSetLoginItem(1)"},
              noDisplayView},
        Click{"displaysPlaceholder", entry("displayPicker", "displayMenu", 0), {}, noDisplayView},
        Click{"modesPlaceholder", entry("modePicker", "modeMenu", 0), {}, noDisplayView},
        Click{"cardIsNotAControl", button("statusCard.display"), {}},
        Click{"pickerFaceAlone", button("displayPicker"), {}}),
    CaseName());

TEST(PopoverStatelessControls, ShowOnlyWhatTheViewSays) {
    CallbackLog log;
    auto panel = showPanel(log.wire(normalView()));
    auto* animate = child<QuietSwitch>(*panel, "animateSwitch");
    clickCentre(animate);
    EXPECT_TRUE(animate->isOn());
    auto* swatch = child<QAbstractButton>(*panel, "swatch.blue");
    clickCentre(swatch);
    EXPECT_FALSE(swatch->isChecked());
    PullDownMenu* menu = openMenu(*panel, "moreButton", "moreMenu");
    ASSERT_NE(menu, nullptr);
    clickEntry(menu, 0);
    EXPECT_TRUE(menu->actionAt(0)->isChecked());
    EXPECT_EQ(log.calls, (QStringList{"onSetAnimateOnChange(0)", "onSetColorMode(blue)",
                                      "onSetLoginItem(0)"}));

    // The owner answers with a new value; only then does the panel change.
    DisplayPopoverView next = normalView();
    next.animateOnChange = false;
    next.colorMode = MenuBarColorMode::blue;
    next.loginItemEnabled = false;
    panel->setView(log.wire(next));
    EXPECT_FALSE(animate->isOn());
    EXPECT_TRUE(swatch->isChecked());
    EXPECT_FALSE(menu->actionAt(0)->isChecked());
}

// A callback that answers with a new view at once, as the controller does,
// replaces the callback and the menu entries while they are running.
TEST(PopoverReentrancy, ACallbackMayHandOverTheNextValue) {
    DisplayPopoverWidget* target = nullptr;
    QStringList calls;
    std::function<DisplayPopoverView(const DisplayPopoverView&)> respond;
    respond = [&](const DisplayPopoverView& base) {
        DisplayPopoverView view = base;
        view.onSelectDisplay = [&, base](DisplayId id) {
            calls << QString::number(id);
            DisplayPopoverView next = base;
            next.display = id == 202 ? secondDisplay() : studioDisplay();
            target->setView(respond(next));
        };
        view.onSetColorMode = [&, base](MenuBarColorMode mode) {
            calls << persistedWord(mode);
            DisplayPopoverView next = base;
            next.colorMode = mode;
            target->setView(respond(next));
        };
        return view;
    };
    auto panel = showPanel(respond(normalView()));
    target = panel.get();

    PullDownMenu* menu = openMenu(*panel, "displayPicker", "displayMenu");
    ASSERT_NE(menu, nullptr);
    clickEntry(menu, 1);
    clickCentre(child(*panel, "swatch.green"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_EQ(calls, (QStringList{"202", "green"}));
    EXPECT_EQ(menu->entries().front().title, "Studio 모니터");
    EXPECT_EQ(menu->entries().back().title, "✓ 현재 · LG HDR 4K");
    EXPECT_TRUE(child<QAbstractButton>(*panel, "swatch.green")->isChecked());
}

}  // namespace
}  // namespace corvane
