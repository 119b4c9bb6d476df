#pragma once

#include <QProcess>
#include <QRect>

#include "support/xorg/XorgServer.h"

namespace corvane::testing {

// A system tray on a test server: trayer docked at the top right, hosting
// XEmbed tray icons. Needs no D-Bus session. Started by the constructor,
// which returns once the tray window exists; stopped by PID.
class TrayHost {
  public:
    explicit TrayHost(const XorgServer& server);
    ~TrayHost();

    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;

    qint64 pid() const { return process_.processId(); }
    // The tray's window on screen; the icons sit inside it.
    QRect geometry() const;

  private:
    const XorgServer* server_;
    QProcess process_;
};

// Runs `xdotool arguments…` against the server and returns its standard
// output, trimmed; throws XorgError when it fails.
QString xdotool(const XorgServer& server, const QStringList& arguments);

}  // namespace corvane::testing
