#include "support/session/SessionFixtures.h"

#include <sys/prctl.h>

#include <QDeadlineTimer>
#include <QDir>
#include <csignal>

namespace corvane::testing {

MutterSession::MutterSession() : folder_(QDir::tempPath() + "/corvane-session-XXXXXX") {
    start(bus_, "dbus-daemon",
          {"--session", "--nofork", "--nopidfile", "--print-address=1",
           "--address=unix:path=" + folder_.filePath("bus")});
    // The daemon prints its address once it listens.
    if (!bus_.waitForReadyRead(10000)) {
        throw XorgError("dbus-daemon did not start");
    }
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();

    start(mutter_, "mutter", {"--wayland", "--nested", "--no-x11"});
    const QDeadlineTimer deadline(20000);
    // Mutter owns its name once its display configuration is ready.
    while (control({"state"}).isEmpty()) {
        if (deadline.hasExpired() || mutter_.state() == QProcess::NotRunning) {
            throw XorgError("mutter did not start; see " +
                            folder_.filePath("mutter.log").toStdString());
        }
    }
}

MutterSession::~MutterSession() {
    stopCompositor();
    bus_.close();
}

QProcessEnvironment MutterSession::environment() const {
    QProcessEnvironment environment = server_.environment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    // The folder is private (0700), as a runtime folder must be.
    environment.insert("XDG_RUNTIME_DIR", folder_.path());
    environment.insert("HOME", folder_.path());
    environment.insert("MUTTER_DEBUG_NUM_DUMMY_MONITORS", "2");
    environment.insert("MUTTER_DEBUG_DUMMY_MODE_SPECS", "1920x1080@60:1920x1080@120:1280x720@60");
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        environment.remove(name);
    }
    return environment;
}

void MutterSession::start(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setProcessEnvironment(environment());
    process.setStandardErrorFile(folder_.filePath(program.section('/', -1) + ".log"));
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) {
        throw XorgError(program.toStdString() + " did not start");
    }
}

QString MutterSession::control(const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    // Debian's interpreter has the dbus module; another python3 may not.
    process.start("/usr/bin/python3",
                  QStringList{CORVANE_SESSION_FIXTURES "/mutter_ctl.py"} + arguments);
    process.waitForFinished(10000);
    if (process.exitCode() != 0 && arguments != QStringList{"state"}) {
        throw XorgError("mutter_ctl.py " + arguments.join(' ').toStdString() +
                        " failed: " + process.readAllStandardError().toStdString());
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void MutterSession::stopCompositor() {
    // Killed by its PID, as a crash would end it.
    mutter_.close();
}

}  // namespace corvane::testing
