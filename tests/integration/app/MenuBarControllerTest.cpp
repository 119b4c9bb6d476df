#include <gtest/gtest.h>

#include <QAccessible>
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
#include "platform/x11/X11GlobalMouseDownMonitor.h"
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

// Settings kept in memory whose writes fail while `failure` is set.
struct FailingSettings : InMemorySettingsStore {
    std::optional<SettingsError> failure;
    std::optional<SettingsError> setValue(const QString& key, const SettingValue& value) override {
        return failure ? failure : InMemorySettingsStore::setValue(key, value);
    }
};

// Another program's window that counts the clicks it receives: xev.
class ClickWitness {
  public:
    // `geometry` as X takes it: "WxH+X+Y".
    ClickWitness(const XorgServer& server, const char* geometry) {
        xev_.setProcessEnvironment(server.environment());
        xev_.start(QStringLiteral("xev"), {"-geometry", geometry, "-event", "button"});
        xdotool(server, {"search", "--sync", "--onlyvisible", "--name", "Event Tester"});
    }
    ~ClickWitness() {
        xev_.terminate();
        xev_.waitForFinished(5000);
    }
    int presses() {
        output_ += QString::fromLocal8Bit(xev_.readAllStandardOutput());
        return static_cast<int>(output_.count(QStringLiteral("ButtonPress event")));
    }

  private:
    QProcess xev_;
    QString output_;
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
        environment.mouseDowns = &mouseDowns;
        environment.updater.appBundleURL = QUrl::fromLocalFile(folder.filePath("Corvane.app"));
        environment.updater.applicationSupportDirectory = QUrl::fromLocalFile(folder.path());
        environment.updater.updateDirectories = QList<QUrl>{};
        if (watchChanges) {
            monitor = std::make_unique<X11DisplayChangeMonitor>(server().displayName());
            environment.changeEcho = monitor.get();
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

    // The mode name xrandr marks as current on an output, or empty.
    static QString activeMode(const QString& output) {
        const QStringList lines = server().xrandrOrThrow({"--current"}).split(u'\n');
        bool inOutput = false;
        for (const QString& line : lines) {
            if (!line.startsWith(u' ')) {
                inOutput = line.startsWith(output + u' ');
            } else if (inOutput && line.contains(u'*')) {
                return line.simplified().section(u' ', 0, 0);
            }
        }
        return {};
    }

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

    // Clicks the X server's pointer at a point of the screen, with a button.
    static void click(QPoint at, const char* button = "1") {
        xdotool(server(),
                {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", button});
    }
    static void keys(const QStringList& names) {
        xdotool(server(), QStringList{"key", "--delay", "30"} + names);
    }
    // Waits until the popover is shown or hidden; false if it never is.
    static bool popoverBecomes(MenuBarController& controller, bool shown) {
        return QTest::qWaitFor([&] { return controller.popover()->isShown() == shown; }, 3000);
    }
    // True when the popover stays as it is while the events of a click
    // have had time to arrive.
    static bool popoverStays(MenuBarController& controller, bool shown) {
        QTest::qWait(300);
        return controller.popover()->isShown() == shown;
    }
    static QString trayName(const StatusItem& item) {
        QWidget* window = item.trayWindow();
        return window ? QAccessible::queryAccessibleInterface(window)->text(QAccessible::Name)
                      : QString();
    }

    QTemporaryDir folder;
    X11DisplayBackend backend{{appDesktop().server->displayName(), {}}};
    X11GlobalMouseDownMonitor mouseDowns{appDesktop().server->displayName()};
    FailingSettings settings;
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
    EXPECT_EQ(alerts.shown[0], QStringLiteral("화면 모드를 변경하지 못했습니다\nmacOS가 화면 모드 "
                                              "변경을 거부했습니다. 오류 코드: 2"));
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

TEST_F(MenuBarControllerTest, ClicksOutsideCloseThePopoverAndStillReachTheirWindow) {
    auto controller = launch();
    ClickWitness witness(server(), "300x200+100+400");
    const QPoint inWitness(250, 500);
    // Docked once the icon sits inside the tray's window.
    const QRect dock = appDesktop().tray->geometry();
    QPoint tray;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            tray = controller->statusItem()->geometry().center();
            return dock.contains(tray);
        },
        3000));

    click(tray);
    ASSERT_TRUE(popoverBecomes(*controller, true));
    click(controller->popover()->geometry().topLeft() + QPoint(100, 20));
    EXPECT_TRUE(popoverStays(*controller, true)) << "a click inside the popover";
    click(inWitness);
    EXPECT_TRUE(popoverBecomes(*controller, false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return witness.presses() == 1; }, 3000));

    // Middle and right buttons close it as well, and reach their target too.
    for (const char* button : {"2", "3"}) {
        click(tray);
        ASSERT_TRUE(popoverBecomes(*controller, true));
        click(inWitness, button);
        EXPECT_TRUE(popoverBecomes(*controller, false)) << button;
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return witness.presses() == 3; }, 3000));

    // The icon's own action closes the popover; it does not reopen at once.
    click(tray);
    ASSERT_TRUE(popoverBecomes(*controller, true));
    click(tray);
    EXPECT_TRUE(popoverBecomes(*controller, false));
    EXPECT_TRUE(popoverStays(*controller, false));

    // A press on the icon released elsewhere, or a right click, does nothing.
    xdotool(server(), {"mousemove", QString::number(tray.x()), QString::number(tray.y()),
                       "mousedown", "1", "mousemove", "600", "300", "mouseup", "1"});
    EXPECT_TRUE(popoverStays(*controller, false));
    click(tray, "3");
    EXPECT_TRUE(popoverStays(*controller, false));
}

TEST_F(MenuBarControllerTest, KeyboardAloneChangesTheModeAndEscapeClosesMenuThenPopover) {
    auto controller = launch();
    controller->togglePopover();
    PopoverWindow* popover = controller->popover();
    ASSERT_TRUE(QTest::qWaitForWindowActive(popover));
    QWidget* modePicker = child(*popover->panel(), "modePicker");
    const QImage unfocused = modePicker->grab().toImage();

    // Gear, the style row (one stop, arrows within), switch, swatch row,
    // display picker, mode picker.
    keys({"Tab", "Right", "space", "Tab", "Tab", "Right", "Return", "Tab", "Tab"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == modePicker; }, 3000));
    EXPECT_EQ(controller->store().iconStyle(), MenuBarIconStyle::number);
    EXPECT_EQ(controller->store().colorMode(), MenuBarColorMode::blue);
    const QPoint edge(1, modePicker->height() / 2);
    EXPECT_NE(modePicker->grab().toImage().pixelColor(edge), unfocused.pixelColor(edge))
        << "no focus ring";

    keys({"space"});
    auto* modes = child<PullDownMenu>(*popover->panel(), "modeMenu");
    ASSERT_TRUE(QTest::qWaitFor([&] { return modes->isVisible(); }, 3000));
    QStringList down(
        static_cast<qsizetype>(entryIndex(modes, QStringLiteral("1920×1080 · 120Hz")) + 1),
        QStringLiteral("Down"));
    keys(down << QStringLiteral("Return"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return activeMode("DUMMY0") == kMode120; }, 3000));

    keys({"shift+Tab", "Return"});
    auto* displays = child<PullDownMenu>(*popover->panel(), "displayMenu");
    ASSERT_TRUE(QTest::qWaitFor([&] { return displays->isVisible(); }, 3000));
    keys({"Escape"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !displays->isVisible(); }, 3000));
    EXPECT_TRUE(popover->isShown());
    keys({"Escape"});
    EXPECT_TRUE(popoverBecomes(*controller, false));
}

TEST_F(MenuBarControllerTest, TrayIconIsNamedFromItsFirstShowingAndAfterTheTrayRestarts) {
    auto controller = launch();
    const StatusItem& item = *controller->statusItem();
    const QString expected = QStringLiteral("화면 주사율 60Hz");
    ASSERT_TRUE(QTest::qWaitFor([&] { return trayName(item) == expected; }, 3000));

    const QPointer<QWidget> first = item.trayWindow();
    appDesktop().tray.reset();
    appDesktop().tray = std::make_unique<TrayHost>(server());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return first.isNull() && trayName(item) == expected; }, 5000));
}

TEST_F(MenuBarControllerTest, OnlyAUsersOwnFailedWriteRaisesTheSaveAlert) {
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
}  // namespace corvane
