#include "support/xorg/TrayHost.h"

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

TrayHost::TrayHost(const XorgServer& server) : server_(&server) {
    process_.setProcessEnvironment(server.environment());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("trayer"),
                   {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                    "--transparent", "false"});
    if (!process_.waitForStarted(5000)) {
        throw XorgError("trayer did not start: " + process_.errorString().toStdString());
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        try {
            if (!geometry().isEmpty()) {
                return;
            }
        } catch (const XorgError&) {
            // not mapped yet
        }
        QThread::msleep(50);
    }
    throw XorgError("trayer's window did not appear");
}

TrayHost::~TrayHost() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
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
