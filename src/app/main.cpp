#include <QApplication>
#include <QDBusConnectionInterface>
#include <QTimer>

#include "app/AlertPresenter.h"
#include "app/DisplayBackendChoice.h"
#include "app/MenuBarController.h"
#include "platform/linux/autostart/XdgAutostartEntry.h"
#include "platform/linux/session/DisplaySettingsLauncher.h"
#include "platform/linux/session/SingleInstanceLock.h"
#include "platform/linux/settings/FileSettingsStore.h"
#include "platform/mutter/DisplayConfigClient.h"
#include "platform/mutter/MutterDisplayBackend.h"
#include "platform/mutter/MutterDisplayChangeMonitor.h"
#include "platform/x11/QtScreenScale.h"
#include "platform/x11/X11DisplayBackend.h"
#include "platform/x11/X11DisplayChangeMonitor.h"
#include "platform/x11/X11GlobalMouseDownMonitor.h"
#include "update/ProcessUpdateChecker.h"

namespace corvane {
namespace {

SessionFacts sessionFacts() {
    SessionFacts facts;
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    facts.mutterOnSessionBus = bus && bus->isServiceRegistered(mutter::kDisplayConfigService);
    facts.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    facts.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    return facts;
}

// Runs the tray application over one display backend and the change monitor
// that goes with it.
template <typename ChangeMonitor>
int runController(DisplayBackend& displays, ChangeMonitor& monitor,
                  GlobalMouseDownSource& mouseDowns) {
    FileSettingsStore settings(FileSettingsStore::defaultFilePath());
    XdgAutostartEntry autostart(XdgAutostartEntry::defaultEntryPath(),
                                QCoreApplication::applicationFilePath());
    MessageBoxAlertPresenter alerts;
    DisplaySettingsLauncher displaySettings;

    MenuBarController::Environment environment;
    environment.displays = &displays;
    environment.settings = &settings;
    environment.loginItem = &autostart;
    environment.alerts = &alerts;
    environment.mouseDowns = &mouseDowns;
    environment.openDisplaySettings = [&displaySettings] { displaySettings.open(); };
    environment.makeUpdateChecker = [] {
        return std::make_unique<ProcessUpdateChecker>(QCoreApplication::applicationDirPath() +
                                                      u'/' + ProcessUpdateChecker::kProgramName);
    };

    MenuBarController controller(std::move(environment));
    QObject::connect(&monitor, &ChangeMonitor::displaysChanged, &controller,
                     &MenuBarController::displayParametersChanged);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &controller,
                     &MenuBarController::applicationWillTerminate);
    QTimer::singleShot(0, &controller, &MenuBarController::applicationDidFinishLaunching);
    return QApplication::exec();
}

int run(int argc, char** argv) {
    // Checked before the GUI connects, so that a second start costs
    // nothing and leaves the first one alone.
    SingleInstanceLock instance(qEnvironmentVariable("DISPLAY"));
    if (!instance.tryAcquire()) {
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setDesktopFileName(QStringLiteral("corvane"));
    // The popover and alerts come and go; the tray icon keeps the
    // application alive.
    QApplication::setQuitOnLastWindowClosed(false);
    // Clicks in other programs' windows close the popover; they are seen
    // wherever the popover is an X window, natively or under XWayland.
    X11GlobalMouseDownMonitor mouseDowns;

    switch (chooseDisplayBackend(sessionFacts())) {
        case DisplayBackendChoice::mutter: {
            MutterDisplayChangeMonitor monitor;
            MutterDisplayBackend displays;
            displays.setChangeMonitor(&monitor);
            return runController(displays, monitor, mouseDowns);
        }
        case DisplayBackendChoice::unsupportedWayland:
            // Quitting is the expected outcome here, not a failure.
            MessageBoxAlertPresenter().showWarning(kUnsupportedDesktopTitle,
                                                   kUnsupportedDesktopText);
            return 0;
        case DisplayBackendChoice::x11:
            break;
    }
    // The backend marks its own switches in the monitor's event stream.
    X11DisplayChangeMonitor monitor;
    X11DisplayBackend displays({{}, qtScreenScaleLookup(), &monitor});
    return runController(displays, monitor, mouseDowns);
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    return corvane::run(argc, argv);
}
