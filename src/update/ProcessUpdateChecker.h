#pragma once

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <optional>

#include "update/UpdateChecker.h"

namespace corvane {

// The real checker: runs each check in a process of its own, the check
// program in the application's folder, so that the network, TLS and
// archive libraries are loaded only while a check runs. The program's one
// report line is the result; when it handed a release off, it ends with
// UpdateCheckReport::kToolEndedStatus once the replacement tool has ended
// while this application still runs.
class ProcessUpdateChecker final : public QObject, public UpdateChecker {
    Q_OBJECT

  public:
    static constexpr const char* kProgramName = "CorvaneUpdateCheck";

    // `extraArguments` go to the program after those this checker passes
    // (this process's id and the build it has handed off).
    explicit ProcessUpdateChecker(QString program, QStringList extraArguments = {},
                                  QObject* parent = nullptr);
    // Stops, then gives each check process a second to end before it is killed.
    ~ProcessUpdateChecker() override;

    void checkAndScheduleUpdate(ResultHandler onResult) override;
    void setHandOffFailedHandler(HandOffFailedHandler onFailed) override;
    void stop() override;

  private:
    void startProcess(ResultHandler onResult);

    const QString program_;
    const QStringList extraArguments_;
    // The build handed off during this run, until its tool ends.
    std::optional<qint64> scheduledBuild_;
    HandOffFailedHandler onHandOffFailed_;
    bool stopped_ = false;
};

}  // namespace corvane
