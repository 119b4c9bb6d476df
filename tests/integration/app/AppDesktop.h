#pragma once

#include <memory>

#include "support/xorg/TrayHost.h"
#include "support/xorg/XorgServer.h"

namespace corvane::testing {

// The one X server with a tray host that every test of this executable
// shares; the main function starts it before the QApplication connects.
struct AppDesktop {
    std::unique_ptr<XorgServer> server;
    std::unique_ptr<TrayHost> tray;
};

AppDesktop& appDesktop();

// The modes the test server offers.
inline const QString kMode60 = QStringLiteral("T1080p60");
inline const QString kMode120 = QStringLiteral("T1080p120");
inline const QString kMode720 = QStringLiteral("T720p60");

}  // namespace corvane::testing
