#include "testbed/TrayHost.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>

namespace corvane::testing {

QString xdotool(const XorgServer& server, const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(server.environment());
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        throw XorgError("xdotool " + arguments.join(u' ').toStdString() + " failed: " +
                        QString::fromLocal8Bit(process.readAllStandardError()).toStdString());
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

TrayHost::TrayHost(const XorgServer& server, const std::function<bool()>& cancelled,
                   std::chrono::milliseconds timeout)
    : server_(&server) {
    process_.setProcessEnvironment(server.environment());
    // A tool's standard output may carry its own protocol; trayer's
    // complaints still reach the terminal.
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setChildProcessModifier([] {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    connect(&process_, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) {
                if (!stopping_) {
                    emit ended(status == QProcess::CrashExit
                                   ? QStringLiteral("trayer was killed")
                                   : QStringLiteral("trayer exited with status %1").arg(exitCode));
                }
            });
    process_.start(QStringLiteral("trayer"),
                   {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                    "--transparent", "false"});
    const auto fail = [this](const std::string& message) {
        stop();
        throw XorgError(message);
    };
    if (!process_.waitForStarted(10000)) {
        fail("cannot start trayer: " + process_.errorString().toStdString());
    }
    const QDeadlineTimer deadline(timeout);
    while (!cancelled()) {
        if (process_.state() == QProcess::NotRunning || process_.waitForFinished(0)) {
            fail("trayer ended before its window appeared");
        }
        try {
            if (!geometry().isEmpty()) {
                ready_ = true;
                return;
            }
        } catch (const XorgError&) {
            // not mapped yet
        }
        if (deadline.hasExpired()) {
            fail("trayer's window did not appear within " + std::to_string(timeout.count()) +
                 " ms");
        }
        QThread::msleep(50);
    }
}

TrayHost::~TrayHost() {
    stop();
}

void TrayHost::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    stopping_ = true;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QRect TrayHost::geometry() const {
    const QString window =
        xdotool(*server_, {"search", "--onlyvisible", "--class", "trayer"}).section(u'\n', 0, 0);
    const QString text = xdotool(*server_, {"getwindowgeometry", window});
    // "Position: 1888,0 (screen: 0)\n  Geometry: 32x32"
    static const QRegularExpression pattern(
        QStringLiteral(R"(Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+))"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        throw XorgError("unexpected xdotool geometry: " + text.toStdString());
    }
    return QRect(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                 match.captured(4).toInt());
}

}  // namespace corvane::testing
