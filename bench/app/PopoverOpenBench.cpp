// Time to open the popover: from the tray icon's action (the controller's
// togglePopover(): a refresh, a fresh view, the window shown) to the end of
// the panel's first paint, on an Xorg dummy server with three displays and
// a tray host. Starts and stops its own server:
//
//     build/bench/app/popover_open_bench [ROUNDS]     (default: 30)
//
// Prints the first opening, which also creates the panel, then the median
// and the slowest of the later ones. Goal: at most 30 ms.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/AlertPresenter.h"
#include "app/MenuBarController.h"
#include "app/PopoverWindow.h"
#include "platform/linux/autostart/XdgAutostartEntry.h"
#include "platform/x11/X11DisplayBackend.h"
#include "platform/x11/X11DisplayChangeMonitor.h"
#include "state/InMemorySettingsStore.h"
#include "testbed/EdidBlob.h"
#include "testbed/TrayHost.h"
#include "testbed/XorgServer.h"
#include "update/ProcessUpdateChecker.h"

namespace {

using namespace corvane;
using namespace corvane::testing;

struct SilentAlerts : AlertPresenter {
    void showWarning(const QString&, const QString&) override {}
};

// Notes when a widget of the popover has been painted.
class PaintProbe : public QObject {
  public:
    explicit PaintProbe(QWidget* popover) : popover_(popover) {}
    bool painted = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget &&
            (widget == popover_ || popover_->isAncestorOf(widget))) {
            painted = true;
        }
        return false;
    }

  private:
    QWidget* popover_;
};

bool processUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QByteArray edid(const QString& name, std::uint32_t serial) {
    EdidFields fields;
    fields.monitorName = name;
    fields.serialNumber = serial;
    return makeEdid(fields);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    XorgServer::Options options;
    options.modelines = {Modeline::withRefresh("B60", 1920, 1080, 60),
                         Modeline::withRefresh("B5994", 1920, 1080, 59.94),
                         Modeline::withRefresh("B144", 1920, 1080, 144),
                         Modeline::withRefresh("Q60", 2560, 1440, 60)};
    XorgServer server(options);
    server.plug("DUMMY1", "Q60");
    server.plug("DUMMY2", "B144", {"--right-of", "DUMMY1"});
    server.attachEdid("DUMMY0", edid("Left", 1));
    server.attachEdid("DUMMY1", edid("Middle", 2));
    server.attachEdid("DUMMY2", edid("Right", 3));
    TrayHost tray(server);

    qputenv("DISPLAY", server.displayName().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QTemporaryDir folder;
    X11DisplayChangeMonitor monitor(server.displayName());
    X11DisplayBackend backend({server.displayName(), {}});
    backend.setChangeFeed(&monitor);
    InMemorySettingsStore settings;
    XdgAutostartEntry autostart(folder.filePath("autostart/corvane.desktop"),
                                QStringLiteral("/opt/corvane/Corvane.app/Contents/MacOS/Corvane"));
    SilentAlerts alerts;
    MenuBarController::Environment environment;
    environment.displays = &backend;
    environment.settings = &settings;
    environment.loginItem = &autostart;
    environment.alerts = &alerts;
    environment.makeUpdateChecker = [] {
        // No release server outside a bundle, and no feed folder.
        return std::make_unique<ProcessUpdateChecker>(CORVANE_UPDATE_CHECK_PATH,
                                                      QStringList{"--no-folders"});
    };
    MenuBarController controller(std::move(environment));
    controller.applicationDidFinishLaunching();
    // Let the tray embed the icon before the first opening.
    processUntil([] { return false; }, 500);

    PopoverWindow* popover = controller.popover();
    PaintProbe probe(popover);
    application.installEventFilter(&probe);
    std::vector<double> openings;
    for (int round = 0; round <= rounds; ++round) {
        probe.painted = false;
        QElapsedTimer timer;
        timer.start();
        controller.togglePopover();
        if (!processUntil([&] { return probe.painted; }, 5000)) {
            std::fprintf(stderr, "the popover was not painted within 5 s\n");
            return 1;
        }
        openings.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        controller.togglePopover();
        processUntil([&] { return !popover->isVisible(); }, 5000);
        processUntil([] { return false; }, 50);
    }

    const double first = openings.front();
    std::vector<double> later(openings.begin() + 1, openings.end());
    std::sort(later.begin(), later.end());
    std::printf("popover opening (refresh, view, show, first paint), %d rounds\n", rounds);
    std::printf("first opening: %.2f ms\n", first);
    std::printf("later openings: median %.2f ms, slowest %.2f ms (goal: at most 30 ms)\n",
                later[later.size() / 2], later.back());
    return 0;
}
