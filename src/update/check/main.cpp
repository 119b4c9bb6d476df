// One update check in a process of its own, so that the tray application
// never loads the network, TLS and archive libraries a check needs. The
// application starts it for each check:
//
//   CorvaneUpdateCheck --application-pid PID [--scheduled-build BUILD]
//       [--bundle PATH] [--current-build BUILD] [--remote URL]
//       [--folder URL]... [--no-folders] [--support PATH]
//
// By default the installed bundle, its release server, the local feed
// folders and the working folder are those of the bundle this program is
// in; the other options replace them. Prints one report line on standard
// output. After handing a release off it waits for the replacement tool and
// ends with it, so that the application learns from this process's end
// that the hand-off failed (a tool that succeeds stops the application
// first); it then exits with UpdateCheckReport::kToolEndedStatus. SIGTERM
// and SIGINT end a running check as soon as it can, a second one at once.

#include <QCoreApplication>
#include <QStringList>
#include <atomic>
#include <cstdio>
#include <optional>

#include "platform/linux/bundle/BundleInfo.h"
#include "platform/linux/failedbuilds/FailedBuilds.h"
#include "platform/linux/process/TerminationRequests.h"
#include "update/AppUpdater.h"
#include "update/UpdateCheckReport.h"
#include "update/UpdateFeed.h"

namespace corvane {
namespace {

constexpr int kUsageStatus = 2;

AppUpdater::Parameters defaults() {
    AppUpdater::Parameters parameters;
    if (const std::optional<std::filesystem::path> bundle = bundle::runningBundle()) {
        parameters.appBundleURL = QUrl::fromLocalFile(QString::fromStdString(bundle->string()));
    } else {
        parameters.appBundleURL = QUrl::fromLocalFile(QCoreApplication::applicationDirPath());
    }
    // Without a release server in the bundle, only the local folders are searched.
    parameters.remoteFeedURL = UpdateFeed::remoteFeedURL();
    parameters.applicationSupportDirectory = UpdateFeed::applicationSupportDirectory();
    return parameters;
}

std::optional<AppUpdater::Parameters> parse(const QStringList& arguments) {
    AppUpdater::Parameters parameters = defaults();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == QLatin1String("--no-folders")) {
            parameters.updateDirectories = QList<QUrl>{};
            continue;
        }
        if (i + 1 == arguments.size()) {
            return std::nullopt;
        }
        const QString& value = arguments[++i];
        const std::optional<std::int64_t> number = failedbuilds::parseDecimal(value.toStdString());
        if (option == QLatin1String("--application-pid") && number) {
            parameters.applicationProcess = *number;
        } else if (option == QLatin1String("--scheduled-build") && number) {
            parameters.scheduledBuild = *number;
        } else if (option == QLatin1String("--current-build") && number) {
            parameters.currentBuild = *number;
        } else if (option == QLatin1String("--bundle")) {
            parameters.appBundleURL = QUrl::fromLocalFile(value);
        } else if (option == QLatin1String("--support")) {
            parameters.applicationSupportDirectory = QUrl::fromLocalFile(value);
        } else if (option == QLatin1String("--remote")) {
            parameters.remoteFeedURL = QUrl(value);
        } else if (option == QLatin1String("--folder")) {
            parameters.updateDirectories = parameters.updateDirectories.value_or(QList<QUrl>{});
            parameters.updateDirectories->append(QUrl(value));
        } else {
            return std::nullopt;
        }
    }
    // The tool must never be told to stop a process nobody named.
    if (!parameters.applicationProcess || *parameters.applicationProcess <= 0) {
        return std::nullopt;
    }
    return parameters;
}

int run(int argc, char** argv) {
    // Before any thread starts, so that none of them takes the signals.
    process::blockTerminationRequests();
    QCoreApplication application(argc, argv);
    const std::optional<AppUpdater::Parameters> parameters =
        parse(QCoreApplication::arguments().mid(1));
    if (!parameters) {
        std::fputs(
            "usage: CorvaneUpdateCheck --application-pid PID [--scheduled-build BUILD]\n"
            "  [--bundle PATH] [--current-build BUILD] [--remote URL]\n"
            "  [--folder URL]... [--no-folders] [--support PATH]\n",
            stderr);
        return kUsageStatus;
    }
    AppUpdater engine(*parameters);
    std::atomic<bool> terminating = false;
    std::atomic<bool> waitingForTool = false;
    const process::TerminationRequests requests([&] {
        terminating = true;
        engine.requestStop();
        QMetaObject::invokeMethod(
            &engine,
            [&] {
                if (waitingForTool) {
                    QCoreApplication::quit();
                }
            },
            Qt::QueuedConnection);
    });
    QObject::connect(&engine, &AppUpdater::replacementToolEnded, &application,
                     [] { QCoreApplication::exit(UpdateCheckReport::kToolEndedStatus); });

    const UpdateCheckResult result = engine.checkAndScheduleUpdate();
    const UpdateCheckReport report{result, engine.handOffRunning()};
    const QByteArray line = report.toLine();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);

    waitingForTool = true;
    if (report.handedOff && !terminating) {
        return QCoreApplication::exec();
    }
    return 0;
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    return corvane::run(argc, argv);
}
