#include <gtest/gtest.h>

#include <QApplication>

#include "AppDesktop.h"

namespace corvane::testing {

AppDesktop& appDesktop() {
    static AppDesktop desktop;
    return desktop;
}

}  // namespace corvane::testing

// The controller needs a real X server with RandR and a tray before the GUI
// application connects, and the same ones for every test.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    using namespace corvane::testing;
    AppDesktop& desktop = appDesktop();
    XorgServer::Options options;
    options.modelines = {Modeline::withRefresh(kMode60, 1920, 1080, 60),
                         Modeline::withRefresh(kMode120, 1920, 1080, 120),
                         Modeline::withRefresh(kMode720, 1280, 720, 60)};
    options.initialMode = kMode60;
    desktop.server = std::make_unique<XorgServer>(options);
    desktop.tray = std::make_unique<TrayHost>(*desktop.server);

    qputenv("DISPLAY", desktop.server->displayName().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    // A second monitor, when plugged, is a HiDPI one beside the tray's.
    qputenv("QT_SCREEN_SCALE_FACTORS", "DUMMY0=1;DUMMY1=2");
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    int status = 0;
    {
        QApplication application(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        status = RUN_ALL_TESTS();
    }
    desktop.tray.reset();
    desktop.server.reset();
    return status;
}
