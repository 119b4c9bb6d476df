#include "update/ProcessUpdateChecker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <memory>

#include "platform/linux/process/TerminationRequests.h"
#include "update/UpdateCheckReport.h"

namespace corvane {

namespace {

constexpr int kEndingMilliseconds = 1000;

}  // namespace

ProcessUpdateChecker::ProcessUpdateChecker(QString program, QStringList extraArguments,
                                           QObject* parent)
    : QObject(parent), program_(std::move(program)), extraArguments_(std::move(extraArguments)) {}

ProcessUpdateChecker::~ProcessUpdateChecker() {
    stop();
    const QDeadlineTimer ending(kEndingMilliseconds);
    for (QProcess* process : findChildren<QProcess*>()) {
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning &&
            !process->waitForFinished(static_cast<int>(ending.remainingTime()))) {
            process->kill();
            process->waitForFinished();
        }
    }
}

void ProcessUpdateChecker::checkAndScheduleUpdate(ResultHandler onResult) {
    if (!stopped_) {
        startProcess(std::move(onResult));
    }
}

void ProcessUpdateChecker::startProcess(ResultHandler onResult) {
    QStringList arguments{QStringLiteral("--application-pid"),
                          QString::number(QCoreApplication::applicationPid())};
    if (scheduledBuild_) {
        arguments << QStringLiteral("--scheduled-build") << QString::number(*scheduledBuild_);
    }
    arguments += extraArguments_;

    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardInputFile(QProcess::nullDevice());
    // A check never outlives the application that asked for it.
    const auto parent = static_cast<pid_t>(QCoreApplication::applicationPid());
    process->setChildProcessModifier([parent] { process::terminateWithParent(parent); });
    // Filled once the report line has come.
    auto report = std::make_shared<std::optional<UpdateCheckReport>>();
    const auto deliver = [this, onResult](const UpdateCheckResult& result) {
        if (!stopped_) {
            onResult(result);
        }
    };
    const auto readReport = [=, this] {
        if (*report || !process->canReadLine()) {
            return;
        }
        *report = UpdateCheckReport::fromLine(process->readLine());
        if (!*report) {
            report->emplace();  // an unreadable line: the check failed
        }
        if (const auto& manifest = (*report)->result.manifest()) {
            scheduledBuild_ = manifest->build;
        }
        deliver((*report)->result);
    };
    // `toolEnded`: the program said that the tool it started has ended.
    const auto ended = [=, this](bool toolEnded) {
        if (!*report) {
            deliver(UpdateCheckResult::failed());
        } else if (const auto& manifest = (*report)->result.manifest();
                   manifest && (*report)->handedOff && toolEnded) {
            if (scheduledBuild_ == manifest->build) {
                scheduledBuild_.reset();
            }
            if (!stopped_ && onHandOffFailed_) {
                onHandOffFailed_();
            }
        }
        process->deleteLater();
    };
    connect(process, &QProcess::readyReadStandardOutput, this, readReport);
    connect(process, &QProcess::finished, this, [=](int exitCode, QProcess::ExitStatus exitStatus) {
        // The report may have come with the end, unread so far.
        readReport();
        ended(exitStatus == QProcess::NormalExit &&
              exitCode == UpdateCheckReport::kToolEndedStatus);
    });
    connect(process, &QProcess::errorOccurred, this, [=](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            ended(false);
        }
    });
    process->start(program_, arguments);
}

void ProcessUpdateChecker::setHandOffFailedHandler(HandOffFailedHandler onFailed) {
    onHandOffFailed_ = std::move(onFailed);
}

void ProcessUpdateChecker::stop() {
    stopped_ = true;
    for (QProcess* process : findChildren<QProcess*>()) {
        process->terminate();
    }
}

}  // namespace corvane
