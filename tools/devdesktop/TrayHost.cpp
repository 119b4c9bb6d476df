#include "TrayHost.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>

#include "DevDesktopError.h"

namespace corvane::devdesktop {

namespace {

const QStringList kTrayerArguments = {QStringLiteral("--edge"),        QStringLiteral("top"),
                                      QStringLiteral("--align"),       QStringLiteral("right"),
                                      QStringLiteral("--widthtype"),   QStringLiteral("request"),
                                      QStringLiteral("--height"),      QStringLiteral("32"),
                                      QStringLiteral("--transparent"), QStringLiteral("false")};

}  // namespace

TrayHost::TrayHost(QProcessEnvironment environment) : environment_(std::move(environment)) {
    process_.setProcessEnvironment(environment_);
    // Standard output belongs to the tool's own protocol; trayer's
    // complaints still reach the terminal.
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setChildProcessModifier([] {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    connect(&process_, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) {
                if (stopping_) {
                    return;
                }
                emit ended(status == QProcess::CrashExit
                               ? QStringLiteral("trayer was killed")
                               : QStringLiteral("trayer exited with status %1").arg(exitCode));
            });
}

TrayHost::~TrayHost() {
    stop();
}

void TrayHost::start() {
    process_.start(QStringLiteral("trayer"), kTrayerArguments);
    if (!process_.waitForStarted(10000)) {
        throw DevDesktopError("cannot start trayer: " + process_.errorString().toStdString());
    }
}

bool TrayHost::waitForWindow(std::chrono::milliseconds timeout,
                             const std::function<bool()>& cancelled) {
    QElapsedTimer clock;
    clock.start();
    while (true) {
        if (cancelled()) {
            return false;
        }
        if (process_.state() == QProcess::NotRunning || process_.waitForFinished(0)) {
            throw DevDesktopError("trayer ended before its window appeared");
        }
        if (windowMapped()) {
            return true;
        }
        if (clock.elapsed() >= timeout.count()) {
            throw DevDesktopError("trayer's window did not appear within " +
                                  std::to_string(timeout.count()) + " ms");
        }
        QThread::msleep(50);
    }
}

bool TrayHost::windowMapped() const {
    QProcess search;
    search.setProcessEnvironment(environment_);
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--class"), QStringLiteral("trayer")});
    if (!search.waitForStarted(5000)) {
        throw DevDesktopError("cannot start xdotool: " + search.errorString().toStdString());
    }
    if (!search.waitForFinished(5000)) {
        search.kill();
        search.waitForFinished(1000);
        return false;
    }
    return search.exitStatus() == QProcess::NormalExit && search.exitCode() == 0 &&
           !search.readAllStandardOutput().trimmed().isEmpty();
}

pid_t TrayHost::pid() const {
    return static_cast<pid_t>(process_.processId());
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

}  // namespace corvane::devdesktop
