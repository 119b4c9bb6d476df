#include <QAccessible>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "X11Desktop.h"

// What only a real X desktop can show: clicks in other programs' windows,
// the keyboard as the X server delivers it, and the tray host's icon.
namespace corvane::testing {
namespace {

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

class X11InputTest : public MenuBarControllerTest {
  protected:
    static XorgServer& server() { return *x11Desktop().server; }
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
};

INSTANTIATE_TEST_SUITE_P(X11, X11InputTest,
                         ::testing::Values(+[]() -> ControllerDesktop* { return &x11Desktop(); }),
                         desktopName);

TEST_P(X11InputTest, ClicksOutsideCloseThePopoverAndStillReachTheirWindow) {
    auto controller = launch();
    ClickWitness witness(server(), "300x200+100+400");
    const QPoint inWitness(250, 500);
    // Docked once the icon sits inside the tray's window.
    const QRect dock = x11Desktop().tray->geometry();
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

TEST_P(X11InputTest, KeyboardAloneChangesTheModeAndEscapeClosesMenuThenPopover) {
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
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return desktop().activeMode(false) == QStringLiteral("1920×1080 · 120Hz"); }, 3000));

    keys({"shift+Tab", "Return"});
    auto* displays = child<PullDownMenu>(*popover->panel(), "displayMenu");
    ASSERT_TRUE(QTest::qWaitFor([&] { return displays->isVisible(); }, 3000));
    keys({"Escape"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !displays->isVisible(); }, 3000));
    EXPECT_TRUE(popover->isShown());
    keys({"Escape"});
    EXPECT_TRUE(popoverBecomes(*controller, false));
}

TEST_P(X11InputTest, TrayIconIsNamedFromItsFirstShowingAndAfterTheTrayRestarts) {
    auto controller = launch();
    const StatusItem& item = *controller->statusItem();
    const QString expected = QStringLiteral("화면 주사율 60Hz");
    ASSERT_TRUE(QTest::qWaitFor([&] { return trayName(item) == expected; }, 3000));

    const QPointer<QWidget> first = item.trayWindow();
    x11Desktop().tray.reset();
    x11Desktop().tray = std::make_unique<TrayHost>(server());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return first.isNull() && trayName(item) == expected; }, 5000));
}

}  // namespace
}  // namespace corvane::testing
