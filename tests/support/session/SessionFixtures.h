#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "support/xorg/XorgServer.h"

namespace corvane::testing {

// A private session bus: dbus-daemon listening in a temporary folder. Its
// processes see it through environment(); nothing of the desktop around
// the test is touched. Started by the constructor, stopped by PID.
class DBusSession {
  public:
    DBusSession();
    ~DBusSession();

    const QString& address() const { return address_; }
    // A connection of this process to the bus, under a name of its own.
    QDBusConnection connect(const QString& name) const;
    // This process's environment for a client of this bus, with a private
    // runtime folder and home in the temporary folder.
    QProcessEnvironment environment() const;
    // Starts a program on this bus that ends with the test process.
    void start(QProcess& process, const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment) const;
    QString path(const QString& name) const { return folder_.filePath(name); }

  private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
};

// GNOME's compositor, Mutter, nested on a dummy X server of its own with
// two monitors, LVDS1 (primary) at the origin and LVDS2 right of it, each
// with the modes 1920×1080 at 60 and 120 Hz and 1280×720 at 60 Hz, named
// by Mutter "1920x1080@60.000" and so on. Returns once Mutter owns its
// display configuration name on the private bus.
class MutterSession {
  public:
    MutterSession();
    ~MutterSession();

    const DBusSession& bus() const { return bus_; }
    // Runs the outside controller (mutter_ctl.py, like the desktop's own
    // display settings) and returns its output; throws XorgError on failure.
    QString control(const QStringList& arguments) const;
    // Stops Mutter by its PID, as a crash would.
    void stopCompositor();

  private:
    XorgServer server_;
    DBusSession bus_;
    QProcess mutter_;
};

}  // namespace corvane::testing
