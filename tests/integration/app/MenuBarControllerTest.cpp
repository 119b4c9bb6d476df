#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "AppDesktop.h"
#include "app/AlertPresenter.h"
#include "app/MenuBarController.h"
#include "app/PopoverWindow.h"
#include "app/StatusItem.h"
#include "integration/ui/PopoverFixtures.h"
#include "platform/linux/autostart/XdgAutostartEntry.h"
#include "platform/x11/X11DisplayBackend.h"
#include "platform/x11/X11DisplayChangeMonitor.h"
#include "state/InMemorySettingsStore.h"
#include "state/SettingsKeys.h"
#include "support/xorg/EdidBlob.h"

namespace corvane {
namespace {

using namespace corvane::testing;

struct RecordingAlerts : AlertPresenter {
    QStringList shown;
    void showWarning(const QString& title, const QString& text) override {
        shown << title + u'\n' + text;
    }
};

// The real autostart entry, counting the requests that reach it.
struct CountingRegistration : LoginItemRegistration {
    explicit CountingRegistration(const QString& entryPath)
        : entry(entryPath, QStringLiteral("/opt/corvane/Corvane.app/Contents/MacOS/Corvane")) {}
    bool isRegistered() const override { return entry.isRegistered(); }
    std::optional<LoginItemError> registerItem() override {
        ++requests;
        return entry.registerItem();
    }
    std::optional<LoginItemError> unregisterItem() override {
        ++requests;
        return entry.unregisterItem();
    }
    XdgAutostartEntry entry;
    int requests = 0;
};

class MenuBarControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server().setMode(QStringLiteral("DUMMY0"), kMode60);
        server().xrandr({"--output", "DUMMY1", "--off"});
        ASSERT_TRUE(folder.isValid());
    }

    static XorgServer& server() { return *appDesktop().server; }

    std::unique_ptr<MenuBarController> launch(bool watchChanges = false) {
        MenuBarController::Environment environment;
        environment.displays = &backend;
        environment.settings = &settings;
        environment.loginItem = &login;
        environment.alerts = &alerts;
        environment.updater.appBundleURL = QUrl::fromLocalFile(folder.filePath("Corvane.app"));
        environment.updater.applicationSupportDirectory = QUrl::fromLocalFile(folder.path());
        environment.updater.updateDirectories = QList<QUrl>{};
        if (watchChanges) {
            monitor = std::make_unique<X11DisplayChangeMonitor>(server().displayName());
            backend.setChangeFeed(monitor.get());
        }
        auto controller = std::make_unique<MenuBarController>(std::move(environment));
        if (monitor) {
            QObject::connect(monitor.get(), &X11DisplayChangeMonitor::displaysChanged,
                             controller.get(), &MenuBarController::displayParametersChanged);
        }
        controller->applicationDidFinishLaunching();
        QObject::connect(controller->statusItem(), &StatusItem::pulseStarted, [this] { ++pulses; });
        return controller;
    }

    static QString activeMode(const QString& output) { return server().activeMode(output); }

    static std::size_t entryIndex(PullDownMenu* menu, const QString& text) {
        for (std::size_t i = 0; i < menu->entries().size(); ++i) {
            if (menu->entries()[i].title.contains(text)) {
                return i;
            }
        }
        ADD_FAILURE() << "no entry with " << text.toStdString();
        return 0;
    }

    // Opens the popover and picks an entry of one of its pull-down menus,
    // as a user does.
    static void choose(MenuBarController& controller, const char* face, const char* menu,
                       const QString& text) {
        if (!controller.popover()->isShown()) {
            controller.togglePopover();
        }
        PullDownMenu* opened = openMenu(*controller.popover()->panel(), face, menu);
        ASSERT_NE(opened, nullptr) << menu;
        clickEntry(opened, entryIndex(opened, text));
    }

    QTemporaryDir folder;
    X11DisplayBackend backend{{appDesktop().server->displayName(), {}}};
    InMemorySettingsStore settings;
    CountingRegistration login{folder.filePath("autostart/corvane.desktop")};
    RecordingAlerts alerts;
    std::unique_ptr<X11DisplayChangeMonitor> monitor;
    int pulses = 0;
};

TEST_F(MenuBarControllerTest, LaunchReappliesSavedModesOnlyWhenTheSettingIsOn) {
    ASSERT_FALSE(settings.setValue(settingsKeys::kAutoApplyOnLaunch, true));
    {
        auto first = launch();
        choose(*first, "modePicker", "modeMenu", QStringLiteral("1920×1080 · 120Hz"));
        ASSERT_EQ(activeMode("DUMMY0"), kMode120);
    }
    server().setMode(QStringLiteral("DUMMY0"), kMode60);
    {
        auto second = launch();
        EXPECT_EQ(activeMode("DUMMY0"), kMode120);
        EXPECT_EQ(second->statusItem()->appearance().toolTip, QStringLiteral("화면 주사율: 120Hz"));
    }
    server().setMode(QStringLiteral("DUMMY0"), kMode60);
    ASSERT_FALSE(settings.setValue(settingsKeys::kAutoApplyOnLaunch, false));
    auto third = launch();
    EXPECT_EQ(activeMode("DUMMY0"), kMode60);
}

TEST_F(MenuBarControllerTest, TimerRedrawsAnOutsideSwitchWithinOneTickAndPulsesOnlyOnChange) {
    auto controller = launch();
    const auto tooltip = [&] { return controller->statusItem()->appearance().toolTip; };
    ASSERT_EQ(tooltip(), QStringLiteral("화면 주사율: 60Hz"));

    server().setMode(QStringLiteral("DUMMY0"), kMode120);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tooltip() == QStringLiteral("화면 주사율: 120Hz"); },
                                MenuBarController::kRefreshIntervalMilliseconds + 500));
    EXPECT_EQ(pulses, 1);

    // A tick that finds nothing new redraws without pulsing.
    QSignalSpy redraws(controller.get(), &MenuBarController::redrawn);
    ASSERT_TRUE(redraws.wait(MenuBarController::kRefreshIntervalMilliseconds + 500));
    EXPECT_EQ(pulses, 1);

    controller->currentView().onSetAnimateOnChange(false);
    server().setMode(QStringLiteral("DUMMY0"), kMode60);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tooltip() == QStringLiteral("화면 주사율: 60Hz"); },
                                MenuBarController::kRefreshIntervalMilliseconds + 500));
    EXPECT_EQ(pulses, 1);
}

TEST_F(MenuBarControllerTest, ColourChangesNeverPulseStyleChangesDo) {
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

TEST_F(MenuBarControllerTest, ChoosingAModeSwitchesTheDisplaySavesAndMarksIt) {
    auto controller = launch();
    choose(*controller, "modePicker", "modeMenu", QStringLiteral("1280×720 · 60Hz"));

    EXPECT_EQ(activeMode("DUMMY0"), kMode720);
    const DisplayInfo display = *controller->store().selectedDisplay();
    EXPECT_TRUE(settings.contains(settingsKeys::savedMode(display.id)));
    EXPECT_EQ(controller->store().statusMessage(), QStringLiteral("1280×720 · 60Hz 적용됨"));
    EXPECT_TRUE(alerts.shown.isEmpty());

    PullDownMenu* menu = openMenu(*controller->popover()->panel(), "modePicker", "modeMenu");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(
        menu->entries()[entryIndex(menu, QStringLiteral("1280×720 · 60Hz"))].title.startsWith(
            QStringLiteral("✓ 현재 · ")));
    menu->close();
}

TEST_F(MenuBarControllerTest, ARefusedSwitchShowsTheAlertAndChangesNothing) {
    // Wider than the largest screen RandR allows once placed right of DUMMY0.
    server().newMode(Modeline::withRefresh(QStringLiteral("Huge"), 32000, 1000, 30));
    server().plug(QStringLiteral("DUMMY1"), kMode60);
    server().addMode(QStringLiteral("DUMMY1"), QStringLiteral("Huge"));
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

    choose(*controller, "modePicker", "modeMenu", QStringLiteral("32000×1000"));

    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0], QStringLiteral("화면 모드를 변경하지 못했습니다\n디스플레이 서버가 "
                                              "화면 모드 변경을 거부했습니다. 오류 코드: 2"));
    EXPECT_EQ(activeMode("DUMMY1"), kMode60);
    EXPECT_FALSE(settings.contains(settingsKeys::savedMode(side)));
    EXPECT_EQ(controller->store().statusMessage(), statusBefore);
    server().deleteMode(QStringLiteral("DUMMY1"), QStringLiteral("Huge"));
}

TEST_F(MenuBarControllerTest, LoginSwitchWritesTheAutostartEntryOnlyWhenItChanges) {
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

TEST_F(MenuBarControllerTest, AReturningDisplayGetsItsSavedModeOncePerAppearance) {
    EdidFields side;
    side.monitorName = QStringLiteral("Side");
    side.serialNumber = 7;
    server().attachEdid(QStringLiteral("DUMMY1"), makeEdid(side));
    server().plug(QStringLiteral("DUMMY1"), kMode60);
    ASSERT_FALSE(settings.setValue(settingsKeys::kAutoApplyOnLaunch, true));
    auto controller = launch(/*watchChanges=*/true);
    const auto sideDisplay = [&]() -> std::optional<DisplayInfo> {
        for (const DisplayInfo& display : controller->store().displays()) {
            if (display.name == QStringLiteral("Side")) {
                return display;
            }
        }
        return std::nullopt;
    };
    ASSERT_TRUE(sideDisplay());
    DisplayModeInfo fast = *sideDisplay()->currentMode;
    fast.id = 0;
    fast.refreshRate = 120;
    controller->currentView().onSelectMode(fast, sideDisplay()->id);
    ASSERT_EQ(activeMode("DUMMY1"), kMode120);

    server().unplug(QStringLiteral("DUMMY1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sideDisplay(); }, 3000));
    server().plug(QStringLiteral("DUMMY1"), kMode60);
    EXPECT_TRUE(QTest::qWaitFor([&] { return activeMode("DUMMY1") == kMode120; }, 3000));

    // Still connected: a switch from outside is left alone.
    server().setMode(QStringLiteral("DUMMY1"), kMode60);
    QTest::qWait(MenuBarController::kRefreshIntervalMilliseconds + 500);
    EXPECT_EQ(activeMode("DUMMY1"), kMode60);
    EXPECT_TRUE(alerts.shown.isEmpty());
}

}  // namespace
}  // namespace corvane
