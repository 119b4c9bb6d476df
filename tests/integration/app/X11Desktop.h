#pragma once

#include <QMap>
#include <memory>

#include "integration/app/ControllerFixture.h"
#include "platform/x11/X11DisplayBackend.h"
#include "platform/x11/X11DisplayChangeMonitor.h"
#include "platform/x11/X11GlobalMouseDownMonitor.h"
#include "testbed/TrayHost.h"
#include "testbed/XorgServer.h"

namespace corvane::testing {

// An X server with a tray host: DUMMY0 is the main display, DUMMY1 the side.
// The backend and change monitor reach it through $DISPLAY.
class X11Desktop : public DesktopOf<X11DisplayBackend, X11DisplayChangeMonitor> {
  public:
    X11Desktop() {
        XorgServer::Options options;
        options.modelines = {Modeline::withRefresh("T1080p60", 1920, 1080, 60),
                             Modeline::withRefresh("T1080p120", 1920, 1080, 120),
                             Modeline::withRefresh("T720p60", 1280, 720, 60)};
        server = std::make_unique<XorgServer>(options);
        tray = std::make_unique<TrayHost>(*server);
    }
    void reset() override {
        setMode(false, "1920×1080 · 60Hz");
        unplugSide();
    }
    void setMode(bool side, const QString& mode) override {
        side ? server->plug("DUMMY1", kNames.value(mode))
             : server->setMode("DUMMY0", kNames.value(mode));
    }
    void unplugSide() override { server->unplug("DUMMY1"); }
    QString activeMode(bool side) override {
        return kNames.key(server->activeMode(side ? "DUMMY1" : "DUMMY0"));
    }
    std::pair<QString, int> prepareRefusal() override {
        // Wider than the largest screen RandR allows once placed right of
        // DUMMY0; the server answers BadValue (2).
        server->xrandr(QStringList{"--newmode"} +
                       Modeline::withRefresh("Huge", 32000, 1000, 30).xrandrArguments());
        setMode(true, "1920×1080 · 60Hz");
        server->addMode("DUMMY1", "Huge");
        return {"32000×1000", 2};
    }
    std::unique_ptr<GlobalMouseDownSource> makeMouseDowns() override {
        return std::make_unique<X11GlobalMouseDownMonitor>(server->displayName());
    }

    const QMap<QString, QString> kNames = {{"1920×1080 · 60Hz", "T1080p60"},
                                           {"1920×1080 · 120Hz", "T1080p120"},
                                           {"1280×720 · 60Hz", "T720p60"}};
    std::unique_ptr<XorgServer> server;
    std::unique_ptr<TrayHost> tray;
};

// The one X desktop every test of this executable shares.
X11Desktop& x11Desktop();

}  // namespace corvane::testing
