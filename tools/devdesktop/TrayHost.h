#pragma once

#include <sys/types.h>

#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <functional>

namespace corvane::devdesktop {

// The tray host of the private desktop: trayer docked at the top right
// edge, which embeds Qt's XEmbed tray icons without a D-Bus session.
//
// trayer runs in a process group of its own, so that a Ctrl-C in the
// terminal reaches only the tool that owns it and the shutdown keeps its
// order; it also dies with that tool if the tool is killed outright.
class TrayHost : public QObject {
    Q_OBJECT

  public:
    // `environment` names the X display to dock on (DISPLAY).
    explicit TrayHost(QProcessEnvironment environment);
    ~TrayHost() override;

    // Starts trayer. Throws DevDesktopError when it cannot be started.
    void start();

    // Waits until trayer's window is mapped. Returns false when `cancelled`
    // returns true first; throws DevDesktopError when trayer ends or the
    // window does not appear within `timeout`.
    bool waitForWindow(std::chrono::milliseconds timeout, const std::function<bool()>& cancelled);

    pid_t pid() const;

    // Stops trayer by its process identifier (SIGTERM, then SIGKILL after
    // five seconds) and waits for it. Does nothing when it is not running.
    void stop();

  signals:
    // trayer ended while nobody asked it to.
    void ended(const QString& description);

  private:
    bool windowMapped() const;

    QProcessEnvironment environment_;
    QProcess process_;
    bool stopping_ = false;
};

}  // namespace corvane::devdesktop
