#include <QSignalSpy>
#include <QTest>

#include "integration/app/ControllerFixture.h"
#include "state/SettingsKeys.h"

namespace corvane::testing {
namespace {

const QString k60 = QStringLiteral("1920×1080 · 60Hz");
const QString k120 = QStringLiteral("1920×1080 · 120Hz");
const QString k720 = QStringLiteral("1280×720 · 60Hz");

TEST_P(MenuBarControllerTest, LaunchReappliesSavedModesOnlyWhenTheSettingIsOn) {
    ASSERT_FALSE(settings.setValue(settingsKeys::kAutoApplyOnLaunch, true));
    {
        auto first = launch();
        choose(*first, "modePicker", "modeMenu", k120);
        ASSERT_EQ(desktop().activeMode(false), k120);
    }
    desktop().setMode(false, k60);
    {
        auto second = launch();
        EXPECT_EQ(desktop().activeMode(false), k120);
        EXPECT_EQ(second->statusItem()->appearance().toolTip, QStringLiteral("화면 주사율: 120Hz"));
    }
    desktop().setMode(false, k60);
    ASSERT_FALSE(settings.setValue(settingsKeys::kAutoApplyOnLaunch, false));
    auto third = launch();
    EXPECT_EQ(desktop().activeMode(false), k60);
}

TEST_P(MenuBarControllerTest, TimerRedrawsAnOutsideSwitchWithinOneTickAndPulsesOnlyOnChange) {
    auto controller = launch();
    const auto tooltip = [&] { return controller->statusItem()->appearance().toolTip; };
    ASSERT_EQ(tooltip(), QStringLiteral("화면 주사율: 60Hz"));

    desktop().setMode(false, k120);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tooltip() == QStringLiteral("화면 주사율: 120Hz"); },
                                MenuBarController::kRefreshIntervalMilliseconds + 500));
    EXPECT_EQ(pulses, 1);

    // A tick that finds nothing new redraws without pulsing.
    QSignalSpy redraws(controller.get(), &MenuBarController::redrawn);
    ASSERT_TRUE(redraws.wait(MenuBarController::kRefreshIntervalMilliseconds + 500));
    EXPECT_EQ(pulses, 1);

    controller->currentView().onSetAnimateOnChange(false);
    desktop().setMode(false, k60);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tooltip() == QStringLiteral("화면 주사율: 60Hz"); },
                                MenuBarController::kRefreshIntervalMilliseconds + 500));
    EXPECT_EQ(pulses, 1);
}

TEST_P(MenuBarControllerTest, ColourChangesNeverPulseStyleChangesDo) {
    auto controller = launch();
    controller->togglePopover();
    PopoverWindow* popover = controller->popover();

    clickCentre(child(*popover->panel(), "swatch.purple"));
    EXPECT_EQ(controller->store().colorMode(), MenuBarColorMode::purple);
    EXPECT_EQ(pulses, 0);

    clickCentre(child(*popover->panel(), "iconStyle.ring"));
    EXPECT_EQ(controller->store().iconStyle(), MenuBarIconStyle::ring);
    EXPECT_EQ(pulses, 1);
    EXPECT_TRUE(controller->lastIconSignature()->startsWith(QStringLiteral("ring|purple|60Hz|")));
}

TEST_P(MenuBarControllerTest, ChoosingAModeSwitchesTheDisplaySavesAndMarksIt) {
    auto controller = launch();
    choose(*controller, "modePicker", "modeMenu", k720);

    EXPECT_EQ(desktop().activeMode(false), k720);
    const DisplayInfo display = *controller->store().selectedDisplay();
    EXPECT_TRUE(settings.contains(settingsKeys::savedMode(display.id)));
    EXPECT_EQ(controller->store().statusMessage(), QStringLiteral("1280×720 · 60Hz 적용됨"));
    EXPECT_TRUE(alerts.shown.isEmpty());

    PullDownMenu* menu = openMenu(*controller->popover()->panel(), "modePicker", "modeMenu");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(
        menu->entries()[entryIndex(menu, k720)].title.startsWith(QStringLiteral("✓ 현재 · ")));
    menu->close();
}

TEST_P(MenuBarControllerTest, ARefusedSwitchShowsTheAlertAndChangesNothing) {
    const auto [refused, code] = desktop().prepareRefusal();
    auto controller = launch();
    controller->togglePopover();
    PullDownMenu* displays =
        openMenu(*controller->popover()->panel(), "displayPicker", "displayMenu");
    ASSERT_NE(displays, nullptr);
    ASSERT_EQ(displays->entries().size(), 2u);
    clickEntry(displays, 1);  // the main display is listed first
    const DisplayId side = *controller->store().selectedDisplayID();
    ASSERT_FALSE(controller->store().selectedDisplay()->isMain);
    const std::optional<QString> statusBefore = controller->store().statusMessage();

    choose(*controller, "modePicker", "modeMenu", refused);

    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_TRUE(alerts.shown[0].startsWith(QStringLiteral("화면 모드를 변경하지 못했습니다\n")));
    EXPECT_TRUE(alerts.shown[0].endsWith(QStringLiteral("오류 코드: %1").arg(code)));
    EXPECT_EQ(desktop().activeMode(true), k60);
    EXPECT_FALSE(settings.contains(settingsKeys::savedMode(side)));
    EXPECT_EQ(controller->store().statusMessage(), statusBefore);
}

TEST_P(MenuBarControllerTest, LoginSwitchWritesTheAutostartEntryOnlyWhenItChanges) {
    auto controller = launch();
    const QString entry = folder.filePath("autostart/corvane.desktop");

    choose(*controller, "moreButton", "moreMenu", QStringLiteral("로그인"));
    EXPECT_TRUE(QFile::exists(entry));
    EXPECT_TRUE(controller->currentView().loginItemEnabled);
    EXPECT_EQ(login.requests, 1);

    QSignalSpy redraws(controller.get(), &MenuBarController::redrawn);
    controller->currentView().onSetLoginItem(true);
    EXPECT_EQ(login.requests, 1);
    EXPECT_EQ(redraws.size(), 1);

    controller->currentView().onSetLoginItem(false);
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_EQ(login.requests, 2);
    EXPECT_TRUE(alerts.shown.isEmpty());
}

TEST_P(MenuBarControllerTest, AReturningDisplayGetsItsSavedModeOncePerAppearance) {
    desktop().setMode(true, k60);
    ASSERT_FALSE(settings.setValue(settingsKeys::kAutoApplyOnLaunch, true));
    auto controller = launch(/*watchChanges=*/true);
    const auto sideDisplay = [&]() -> std::optional<DisplayInfo> {
        const std::vector<DisplayInfo>& displays = controller->store().displays();
        if (displays.size() < 2) {
            return std::nullopt;
        }
        return displays[0].isMain ? displays[1] : displays[0];
    };
    ASSERT_TRUE(sideDisplay());
    DisplayModeInfo fast = *sideDisplay()->currentMode;
    fast.id = 0;
    fast.refreshRate = 120;
    controller->currentView().onSelectMode(fast, sideDisplay()->id);
    ASSERT_EQ(desktop().activeMode(true), k120);

    desktop().unplugSide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sideDisplay(); }, 3000));
    desktop().setMode(true, k60);
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop().activeMode(true) == k120; }, 3000));

    // Still connected: a switch from outside is left alone.
    desktop().setMode(true, k60);
    QTest::qWait(MenuBarController::kRefreshIntervalMilliseconds + 500);
    EXPECT_EQ(desktop().activeMode(true), k60);
    EXPECT_TRUE(alerts.shown.isEmpty());
}

TEST_P(MenuBarControllerTest, OnlyAUsersOwnFailedWriteRaisesTheSaveAlert) {
    const SettingsError diskFull(SettingsError::Kind::writeFailed, "/x/settings.plist",
                                 "No space left on device");
    // Launching records the selected display, which fails to save.
    settings.failure = diskFull;
    auto controller = launch();
    settings.failure.reset();
    controller->currentView().onSetColorMode(MenuBarColorMode::green);
    controller->refreshState();
    EXPECT_TRUE(alerts.shown.isEmpty());

    settings.failure = diskFull;
    controller->currentView().onSetColorMode(MenuBarColorMode::blue);
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_TRUE(alerts.shown[0].startsWith(MenuBarController::kSettingsWriteFailedTitle));
}

}  // namespace
}  // namespace corvane::testing
