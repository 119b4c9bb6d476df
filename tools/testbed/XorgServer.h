#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "testbed/Modeline.h"

namespace corvane::testing {

// A fixture step that could not be done: the server did not start, an
// xrandr call failed, an output does not exist. The message says which and
// includes the server's log where that helps.
class XorgError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct XrandrResult {
    int exitCode = -1;  // -1: xrandr did not start or did not finish in time
    QString standardOutput;
    QString standardError;

    bool ok() const { return exitCode == 0; }
};

// A real X server for tests and the private desktop: Xorg with the dummy
// video driver, on a display number the server picks itself (so any number
// of servers may run side by side), with a configuration generated into a
// temporary folder.
//
// The dummy driver offers outputs DUMMY0 … DUMMY15. At start DUMMY0 is
// connected, primary, at 0,0 in the initial mode; every other output is
// off. A plugged output lists every mode of the server's monitor (the
// configured modelines and Xorg's built-in ones) plus the modes added to it.
//
//     XorgServer::Options options;
//     options.modelines = {Modeline::withRefresh("M60", 1600, 1000, 60)};
//     XorgServer server(options);
//     server.plug("DUMMY1", "M60");  // a second display, right of DUMMY0
//     EdidFields monitor;
//     monitor.monitorName = "Studio";
//     server.attachEdid("DUMMY1", makeEdid(monitor));
//     QProcess client;
//     client.setProcessEnvironment(server.environment());  // DISPLAY=:N
//
// The constructor returns once the server accepts clients; the destructor
// stops it by its process identifier and leaves no process, socket or lock
// file behind. The server also ends when the test process dies, however it
// dies. Every helper throws XorgError when its step fails.
class XorgServer {
  public:
    struct Options {
        // Added to the Monitor section. Interlaced lines are rejected there
        // by Xorg; add those with newMode() instead.
        std::vector<Modeline> modelines;
        // The mode DUMMY0 starts in, by name; empty: the first modeline, or
        // a built-in 1920×1080 at 60 Hz line when there are none.
        QString initialMode;
        std::chrono::milliseconds startTimeout{20000};
    };

    XorgServer();
    explicit XorgServer(Options options);
    ~XorgServer();

    XorgServer(const XorgServer&) = delete;
    XorgServer& operator=(const XorgServer&) = delete;

    int displayNumber() const { return displayNumber_; }
    // ":N", for DISPLAY and XOpenDisplay().
    QString displayName() const { return QStringLiteral(":%1").arg(displayNumber_); }
    pid_t pid() const { return pid_; }
    QString logFile() const;
    // The last lines of the server's log, for failure messages.
    QString logTail(int lines = 30) const;

    // The environment for a child process that should see this server and
    // nothing of the session around the test: this process's environment
    // with DISPLAY set and WAYLAND_DISPLAY and DBUS_SESSION_BUS_ADDRESS
    // removed.
    QProcessEnvironment environment() const;

    // Runs `xrandr arguments…` against this server and waits for it (10 s
    // at most). Never throws: the caller decides what a failure means.
    XrandrResult xrandr(const QStringList& arguments) const;
    // The same, throwing XorgError when xrandr fails.
    QString xrandrOrThrow(const QStringList& arguments) const;

    // Creates a mode on the server (`xrandr --newmode`); interlaced and
    // double-scan modes are accepted here.
    void newMode(const Modeline& mode);
    // Makes a mode available on one output (`xrandr --addmode`).
    void addMode(const QString& output, const QString& modeName);
    // Takes a mode off an output (`xrandr --delmode`).
    void deleteMode(const QString& output, const QString& modeName);

    // Plugs a display in: adds the mode to the output, turns the output on
    // in that mode and re-probes once, after which the output reports
    // itself connected with its full mode list. `placement` is passed to
    // xrandr as is; empty places the output right of DUMMY0.
    void plug(const QString& output, const QString& modeName, const QStringList& placement = {});
    // Unplugs a display: the output loses its CRTC (it still reports itself
    // connected, as a dummy output once used does).
    void unplug(const QString& output);
    // Switches an output to another mode from outside the application.
    void setMode(const QString& output, const QString& modeName);
    void setPrimary(const QString& output);
    // The name of the mode xrandr marks as current on an output; empty
    // when the output is off.
    QString activeMode(const QString& output) const;

    // Attaches an EDID to an output, as a monitor would present it: the
    // output property "EDID", 8-bit integers. An empty blob removes it.
    void attachEdid(const QString& output, const QByteArray& edid);

    bool isRunning() const;
    // Stops the server (SIGTERM, then SIGKILL after 10 s) and waits for it;
    // does nothing once it has stopped. Throws when the server left its
    // socket or lock file behind.
    void stop();

  private:
    void start(const Options& options);
    void writeConfig(const Options& options) const;
    void removeLeftovers(pid_t stopped) const;

    QTemporaryDir workDir_;
    pid_t pid_ = -1;
    mutable bool reaped_ = false;
    int displayNumber_ = -1;
};

}  // namespace corvane::testing
