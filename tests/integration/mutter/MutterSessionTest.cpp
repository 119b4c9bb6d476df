#include <QDBusError>
#include <QSignalSpy>

#include "display/DisplayService.h"
#include "integration/app/ControllerFixture.h"
#include "platform/monitor/DisplayIdentity.h"
#include "platform/mutter/MutterDisplayBackend.h"
#include "platform/mutter/MutterDisplayChangeMonitor.h"
#include "state/SettingsKeys.h"
#include "support/session/SessionFixtures.h"

namespace corvane::testing {
namespace {

// LVDS1 is the main display, LVDS2 the side; "off" takes LVDS2 out of the
// layout, as the display settings' switch does.
class MutterDesktop : public DesktopOf<MutterDisplayBackend, MutterDisplayChangeMonitor> {
  public:
    void reset() override { session->control({"reset"}); }
    void setMode(bool side, const QString& mode) override {
        session->control({"set", side ? "LVDS2" : "LVDS1", kNames.value(mode)});
    }
    void unplugSide() override { session->control({"set", "LVDS2", "off"}); }
    QString activeMode(bool side) override {
        for (const QString& line : session->control({"state"}).split(u'\n')) {
            if (line.startsWith(side ? "LVDS2 " : "LVDS1 ")) {
                return kNames.key(line.section(u' ', 1, 1));
            }
        }
        return {};
    }
    std::pair<QString, int> prepareRefusal() override {
        setMode(true, "1920×1080 · 60Hz");
        session->control({"mirror"});  // mirrored monitors must share their mode
        return {"1280×720 · 60Hz", QDBusError::InvalidArgs};
    }

    const QMap<QString, QString> kNames = {{"1920×1080 · 60Hz", "1920x1080@60.000"},
                                           {"1920×1080 · 120Hz", "1920x1080@120.000"},
                                           {"1280×720 · 60Hz", "1280x720@60.000"}};
    std::unique_ptr<MutterSession> session;
    QProcess trayWatcher;
};

MutterDesktop desktop;

ControllerDesktop* mutterDesktop() {
    return &desktop;
}

INSTANTIATE_TEST_SUITE_P(Mutter, MenuBarControllerTest, ::testing::Values(&mutterDesktop),
                         desktopName);

// Sends a command to the session's tray watcher (sni_watcher.py) and
// returns its answer.
QString askTrayWatcher(const QString& command) {
    QProcess& watcher = desktop.trayWatcher;
    watcher.write(command.toUtf8() + '\n');
    QString answer;
    // The watcher asks this process over the bus: keep serving it.
    const bool answered = QTest::qWaitFor(
        [&] { return watcher.canReadLine() && !(answer = watcher.readLine().trimmed()).isEmpty(); },
        5000);
    return answered ? answer : QStringLiteral("no answer");
}

// Switches a display of a fresh snapshot to the mode with that text.
std::optional<DisplayServiceError> choose(const DisplayService& service, std::size_t display,
                                          const QString& summary) {
    const DisplayInfo info = service.snapshot().at(display);
    const auto mode = std::find_if(info.modes.begin(), info.modes.end(), [&](const auto& mode) {
        return mode.modeSummaryText() == summary;
    });
    return mode == info.modes.end() ? DisplayServiceError::modeUnavailable()
                                    : service.setMode(*mode, info.id);
}

TEST(MutterDisplayBackendTest, SwitchesOneMonitorKeepingTheOtherAndItsOwnChangeQuiet) {
    desktop.session->control({"reset"});
    desktop.session->control({"set", "LVDS2", "1920x1080@60.000"});
    MutterDisplayBackend backend;
    const DisplayService service(backend);
    MutterDisplayChangeMonitor monitor;
    backend.setChangeMonitor(&monitor);
    QSignalSpy changes(&monitor, &MutterDisplayChangeMonitor::displaysChanged);
    EXPECT_EQ(service.snapshot().at(0).id,
              monitorDisplayId(
                  {"LVDS1", MonitorNames{"MetaProducts Inc.", "MetaMonitor", "0xC0FFEE-1"}}));
    EXPECT_EQ(choose(service, 1, "1280×720 · 60Hz"), std::nullopt);
    EXPECT_EQ(desktop.session->control({"state"}),
              "LVDS1 1920x1080@60.000 0 0 1\nLVDS2 1280x720@60.000 1920 0 0");
    // Mutter wants its monitors touching: the one on the right follows.
    EXPECT_EQ(choose(service, 0, "1280×720 · 60Hz"), std::nullopt);
    EXPECT_EQ(desktop.session->control({"state"}),
              "LVDS1 1280x720@60.000 0 0 1\nLVDS2 1280x720@60.000 1280 0 0");
    // Mutter announces a switch again well after it answered.
    EXPECT_FALSE(changes.wait(1500));
}

TEST(MutterDisplayBackendTest, AVanishedCompositorLeavesNoDisplaysAndNoCrash) {
    MutterSession session;
    MutterDisplayBackend backend(QDBusConnection::connectToBus(session.busAddress(), "gone"));
    const DisplayService service(backend);
    const DisplayInfo main = service.snapshot().at(0);
    session.stopCompositor();
    EXPECT_TRUE(QTest::qWaitFor([&] { return service.snapshot().empty(); }, 2000));
    EXPECT_EQ(service.setMode(*main.currentMode, main.id),
              DisplayServiceError::displayUnavailable());
    EXPECT_EQ(backend.switchMode(main.id, {}), kSwitchDisplayGone);
}

// The tray icon as Wayland desktops host it: a StatusNotifierItem that the
// session's watcher (sni_watcher.py) reads and clicks over the bus.
class StatusNotifierItemTest : public MenuBarControllerTest {};

TEST_P(StatusNotifierItemTest, RegistersShowsTheRateAndOpensThePanelOnActivate) {
    // The number style draws the rate into the icon.
    ASSERT_FALSE(settings.setValue(settingsKeys::kIconStyle, QStringLiteral("number")));
    auto controller = launch(/*watchChanges=*/true);
    QString shown;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (shown = askTrayWatcher("props")) != "no item"; }, 5000));
    EXPECT_TRUE(shown.startsWith("Corvane|화면 주사율: 60Hz|")) << shown.toStdString();

    desktop().setMode(false, "1920×1080 · 120Hz");
    // The icon is read before the tooltip: wait until both show the change.
    const auto followed = [&] {
        const QString now = askTrayWatcher("props");
        return now.contains("120Hz") && now.section(u'|', 2) != shown.section(u'|', 2);
    };
    EXPECT_TRUE(QTest::qWaitFor(followed, 5000));

    ASSERT_EQ(askTrayWatcher("activate"), "done");
    EXPECT_TRUE(QTest::qWaitFor([&] { return controller->popover()->isShown(); }, 2000));
    ASSERT_EQ(askTrayWatcher("activate"), "done");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controller->popover()->isShown(); }, 2000));
}

INSTANTIATE_TEST_SUITE_P(Mutter, StatusNotifierItemTest, ::testing::Values(&mutterDesktop),
                         desktopName);

}  // namespace
}  // namespace corvane::testing

// One GNOME session serves every test of the executable, and this process
// is a client of it like any application there: its session bus is the
// session's, with a tray watcher on it before Qt looks for one.
int main(int argc, char** argv) {
    using namespace corvane::testing;
    const auto start = [] {
        desktop.session = std::make_unique<MutterSession>();
        return std::pair(desktop.session->server().displayName(), desktop.session->busAddress());
    };
    const int status = runInApplication(argc, argv, start, [] {
        // Qt looks for a tray watcher once, when the first tray icon is made.
        desktop.session->start(desktop.trayWatcher, "/usr/bin/python3",
                               {CORVANE_TEST_SOURCES "/sni_watcher.py"});
        return QTest::qWaitFor([] { return desktop.trayWatcher.canReadLine(); }, 10000) &&
               !desktop.trayWatcher.readLine().isEmpty();
    });
    desktop.trayWatcher.close();
    desktop.session.reset();
    return status;
}
