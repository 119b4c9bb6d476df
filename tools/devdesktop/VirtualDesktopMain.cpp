// corvane-virtual-desktop: a private X desktop for running and looking at
// Corvane where there is no display. Starts an Xorg dummy server with two
// monitors and a tray host, prints `DISPLAY=:N` once both are ready and
// keeps them until SIGINT, SIGTERM or SIGHUP, then takes both down.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "DesktopLayout.h"
#include "StopSignals.h"
#include "testbed/TrayHost.h"

namespace corvane::devdesktop {
namespace {

constexpr std::chrono::seconds kTrayTimeout{20};

void fail(const QString& message) {
    std::fprintf(stderr, "corvane-virtual-desktop: %s\n", qPrintable(message));
}

int run(QCoreApplication& app, StopSignals& stops) {
    std::unique_ptr<testing::XorgServer> server = startDesktop(DesktopLayout::standard());
    if (stops.received() != 0) {
        return 0;
    }
    testing::TrayHost tray(
        *server, [&stops] { return stops.received() != 0; }, kTrayTimeout);
    if (!tray.ready()) {
        return 0;
    }

    std::printf("DISPLAY=%s\n", qPrintable(server->displayName()));
    std::fflush(stdout);

    QObject::connect(&stops, &StopSignals::arrived, &app, [&app] { app.exit(0); });
    QObject::connect(&tray, &testing::TrayHost::ended, &app, [&app](const QString& description) {
        fail(description);
        app.exit(1);
    });
    // The server is a plain child rather than a QProcess, so nothing
    // announces its end; a look twice a second is plenty for a tool.
    QTimer serverWatch;
    QObject::connect(&serverWatch, &QTimer::timeout, &app, [&app, &server] {
        if (!server->isRunning()) {
            fail(QStringLiteral("the X server ended; its log ends:\n") + server->logTail(10));
            app.exit(1);
        }
    });
    serverWatch.start(500);

    const int status = QCoreApplication::exec();
    serverWatch.stop();
    // The tray host goes first: it is a client of the server.
    tray.stop();
    server->stop();
    return status;
}

}  // namespace
}  // namespace corvane::devdesktop

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-virtual-desktop"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Starts a private Xorg dummy server with two monitors (DUMMY0 and DUMMY1 to its right) "
        "and the tray host trayer, prints DISPLAY=:N once both are ready and keeps them "
        "running until interrupted."));
    parser.addHelpOption();
    parser.process(app);

    corvane::devdesktop::StopSignals stops;
    try {
        return corvane::devdesktop::run(app, stops);
    } catch (const std::exception& error) {
        corvane::devdesktop::fail(QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
