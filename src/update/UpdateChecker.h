#pragma once

#include <functional>

#include "update/UpdateCheckResult.h"

namespace corvane {

// The update engine as the application sees it: one asynchronous check at a
// time. Implemented over the check program (ProcessUpdateChecker) and by
// fakes in tests of the scheduling.
class UpdateChecker {
  public:
    using ResultHandler = std::function<void(const UpdateCheckResult&)>;
    using HandOffFailedHandler = std::function<void()>;

    virtual ~UpdateChecker() = default;

    // Starts one check and returns at once. `onResult` runs later on the
    // thread this checker belongs to (the main thread) with the check's
    // result, unless the checker has been stopped or destroyed by then.
    // The caller runs at most one check at a time.
    virtual void checkAndScheduleUpdate(ResultHandler onResult) = 0;

    // `onFailed` runs on this checker's thread each time a replacement tool
    // that a check started ends while this application still runs. A tool
    // that succeeds ends this application first, so its end means the
    // hand-off failed; the checker has forgotten the handed-off build by
    // then, and a later check may hand a release off again.
    virtual void setHandOffFailedHandler(HandOffFailedHandler onFailed) = 0;

    // For quitting: ends a running check as soon as it can (network waits
    // are aborted, staging stops between its steps) and every later check
    // at once; no handler of either kind runs any more.
    virtual void stop() = 0;
};

}  // namespace corvane
