#pragma once

#include <sys/types.h>

#include <QObject>
#include <QProcess>
#include <QRect>
#include <chrono>
#include <functional>

#include "testbed/XorgServer.h"

namespace corvane::testing {

// A system tray on a private server: trayer docked at the top right of the
// main monitor, hosting XEmbed tray icons without a D-Bus session.
//
// The constructor starts trayer and returns once its window is mapped, or
// early, with ready() false, when `cancelled` says so while it waits. It
// throws XorgError when trayer cannot start, ends, or shows no window
// within `timeout`. trayer runs in a process group of its own, so that a
// Ctrl-C in a terminal reaches only the program that owns it, and ends when
// that program dies however it dies. The destructor stops it by PID.
class TrayHost : public QObject {
    Q_OBJECT

  public:
    explicit TrayHost(
        const XorgServer& server, const std::function<bool()>& cancelled = [] { return false; },
        std::chrono::milliseconds timeout = std::chrono::seconds(20));
    ~TrayHost() override;

    bool ready() const { return ready_; }
    pid_t pid() const { return static_cast<pid_t>(process_.processId()); }
    // The tray's window on screen; the icons sit inside it. Throws
    // XorgError when there is none.
    QRect geometry() const;

    // Stops trayer (SIGTERM, then SIGKILL after five seconds) and waits for
    // it; does nothing once it has stopped.
    void stop();

  signals:
    // trayer ended while nobody asked it to.
    void ended(const QString& description);

  private:
    const XorgServer* server_;
    QProcess process_;
    bool ready_ = false;
    bool stopping_ = false;
};

// Runs `xdotool arguments…` against the server and returns its standard
// output, trimmed; throws XorgError when it fails.
QString xdotool(const XorgServer& server, const QStringList& arguments);

}  // namespace corvane::testing
