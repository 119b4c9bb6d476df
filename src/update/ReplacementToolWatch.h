#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "platform/linux/process/ChildProcess.h"

namespace corvane {

// Learns, through the child's pidfd, when a started replacement tool ends,
// and collects it. Dropping the watch leaves the tool running.
class ReplacementToolWatch : public QObject {
    Q_OBJECT

  public:
    explicit ReplacementToolWatch(process::Child child, QObject* parent = nullptr);

  signals:
    // Once, with the wait status of the ended tool.
    void ended(int waitStatus);

  private:
    process::Child child_;
    std::unique_ptr<QSocketNotifier> notifier_;  // none without a pidfd
};

}  // namespace corvane
