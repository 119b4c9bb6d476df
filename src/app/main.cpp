#include <QApplication>
#include <QDir>
#include <QTimer>

#include "app/AlertPresenter.h"
#include "app/MenuBarController.h"
#include "platform/linux/autostart/XdgAutostartEntry.h"
#include "platform/linux/bundle/BundleInfo.h"
#include "platform/linux/session/DisplaySettingsLauncher.h"
#include "platform/linux/session/SingleInstanceLock.h"
#include "platform/linux/settings/FileSettingsStore.h"
#include "platform/x11/QtScreenScale.h"
#include "platform/x11/X11DisplayBackend.h"
#include "platform/x11/X11DisplayChangeMonitor.h"
#include "update/UpdateFeed.h"

namespace corvane {
namespace {

AppUpdater::Parameters updaterParameters() {
    AppUpdater::Parameters parameters;
    if (const std::optional<std::filesystem::path> bundle = bundle::runningBundle()) {
        parameters.appBundleURL = QUrl::fromLocalFile(QString::fromStdString(bundle->string()));
    } else {
        parameters.appBundleURL = QUrl::fromLocalFile(QCoreApplication::applicationDirPath());
    }
    parameters.remoteFeedURL = UpdateFeed::remoteFeedURL();
    parameters.applicationSupportDirectory = UpdateFeed::applicationSupportDirectory();
    return parameters;
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

    X11DisplayChangeMonitor monitor;
    X11DisplayBackend displays({{}, qtScreenScaleLookup(), &monitor});
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
    environment.openDisplaySettings = [&displaySettings] { displaySettings.open(); };
    environment.updater = updaterParameters();

    MenuBarController controller(std::move(environment));
    QObject::connect(&monitor, &X11DisplayChangeMonitor::displaysChanged, &controller,
                     &MenuBarController::displayParametersChanged);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller,
                     &MenuBarController::applicationWillTerminate);
    QTimer::singleShot(0, &controller, &MenuBarController::applicationDidFinishLaunching);
    return QApplication::exec();
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    return corvane::run(argc, argv);
}
