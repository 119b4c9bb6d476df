#pragma once

#include <QObject>

#include "update/AppUpdater.h"
#include "update/UpdateChecker.h"
#include "update/UpdateEngineThread.h"

namespace corvane {

// The real checker: runs each check on the engine's own thread and hands
// its result back to the thread that made this object.
class EngineUpdateChecker final : public QObject, public UpdateChecker {
    Q_OBJECT

  public:
    explicit EngineUpdateChecker(AppUpdater::Parameters parameters, QObject* parent = nullptr);
    // Stops the engine and waits for its thread, which a running check
    // leaves promptly.
    ~EngineUpdateChecker() override;

    void checkAndScheduleUpdate(ResultHandler onResult) override;
    void setHandOffFailedHandler(HandOffFailedHandler onFailed) override;
    void stop() override;

    // The engine, for its signals (connect them queued: it lives on its own
    // thread). Call nothing else of it from here.
    AppUpdater* engine() const { return thread_.engine(); }

  private:
    UpdateEngineThread thread_;
    HandOffFailedHandler onHandOffFailed_;
    bool stopped_ = false;
};

}  // namespace corvane
