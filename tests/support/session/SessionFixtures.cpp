#include "support/session/SessionFixtures.h"

#include <sys/prctl.h>

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <csignal>

namespace corvane::testing {

namespace {

void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

}  // namespace

DBusSession::DBusSession() : folder_(QDir::tempPath() + "/corvane-session-XXXXXX") {
    QDir(folder_.path()).mkpath(QStringLiteral("home"));
    QDir(folder_.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(path("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    start(daemon_, QStringLiteral("dbus-daemon"),
          {"--session", "--nofork", "--nopidfile", "--print-address=1",
           "--address=unix:path=" + path("bus")},
          QProcessEnvironment::systemEnvironment());
    // The daemon prints its address once it listens.
    if (!daemon_.waitForReadyRead(10000)) {
        throw XorgError("dbus-daemon did not start");
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

DBusSession::~DBusSession() {
    stop(daemon_);
}

QDBusConnection DBusSession::connect(const QString& name) const {
    return QDBusConnection::connectToBus(address_, name);
}

QProcessEnvironment DBusSession::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
    environment.insert(QStringLiteral("HOME"), path("home"));
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                             "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        environment.remove(QString::fromLatin1(name));
    }
    return environment;
}

void DBusSession::start(QProcess& process, const QString& program, const QStringList& arguments,
                        const QProcessEnvironment& environment) const {
    process.setProcessEnvironment(environment);
    process.setStandardErrorFile(path(program.section(u'/', -1) + ".log"), QIODevice::Append);
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) {
        throw XorgError(program.toStdString() + " did not start");
    }
}

MutterSession::MutterSession() {
    QProcessEnvironment environment = bus_.environment();
    environment.insert(QStringLiteral("DISPLAY"), server_.displayName());
    environment.insert(QStringLiteral("MUTTER_DEBUG_NUM_DUMMY_MONITORS"), QStringLiteral("2"));
    environment.insert(QStringLiteral("MUTTER_DEBUG_DUMMY_MODE_SPECS"),
                       QStringLiteral("1920x1080@60:1920x1080@120:1280x720@60"));
    bus_.start(mutter_, QStringLiteral("mutter"), {"--wayland", "--nested", "--no-x11"},
               environment);
    const QDBusConnection probe = bus_.connect(QStringLiteral("mutter-session-probe"));
    const QDeadlineTimer deadline(20000);
    while (
        !probe.interface()->isServiceRegistered(QStringLiteral("org.gnome.Mutter.DisplayConfig"))) {
        if (deadline.hasExpired() || mutter_.state() == QProcess::NotRunning) {
            throw XorgError("mutter did not start; see " + bus_.path("mutter.log").toStdString());
        }
        QThread::msleep(20);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("mutter-session-probe"));
}

MutterSession::~MutterSession() {
    stopCompositor();
}

void MutterSession::stopCompositor() {
    stop(mutter_);
}

QString MutterSession::control(const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(bus_.environment());
    // Debian's interpreter: it has the dbus module, another python3 may not.
    process.start(
        QStringLiteral("/usr/bin/python3"),
        QStringList{QStringLiteral(CORVANE_SESSION_FIXTURES "/mutter_ctl.py")} + arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) {
        throw XorgError("mutter_ctl.py " + arguments.join(u' ').toStdString() +
                        " failed: " + process.readAllStandardError().toStdString());
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

}  // namespace corvane::testing
