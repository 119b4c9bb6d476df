#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "testbed/XorgServer.h"

namespace corvane::testing {

// A GNOME session for tests: a dummy X server, a private session bus
// (dbus-daemon in a temporary folder, which is also the session's runtime
// folder and home) and GNOME's compositor, Mutter, nested on the
// server with two monitors: LVDS1 (primary) at the origin and LVDS2 right
// of it, each with the modes 1920×1080 at 60 and 120 Hz and 1280×720 at
// 60 Hz, which Mutter names "1920x1080@60.000" and so on. The constructor
// returns once Mutter serves its display configuration; every process is
// stopped by PID and ends with the test process. Steps that fail throw
// XorgError.
class MutterSession {
  public:
    MutterSession();
    ~MutterSession();

    const XorgServer& server() const { return server_; }
    const QString& busAddress() const { return address_; }
    // The environment of a process in this session and nothing of the
    // desktop around the test.
    QProcessEnvironment environment() const;
    // Starts a program in the session; it is stopped with the session.
    void start(QProcess& process, const QString& program, const QStringList& arguments);
    // Runs mutter_ctl.py, the session's stand-in for the desktop's display
    // settings, and returns its output.
    QString control(const QStringList& arguments) const;
    // Stops Mutter, as a crash would.
    void stopCompositor();

  private:
    XorgServer server_;
    QTemporaryDir folder_;
    QProcess bus_;
    QProcess mutter_;
    QString address_;
};

}  // namespace corvane::testing
