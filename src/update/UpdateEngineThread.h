#pragma once

#include <QThread>

#include "update/AppUpdater.h"

namespace corvane {

// Owns the update engine and the thread it lives on. The engine is created
// here, moved to the thread at once and destroyed on that thread when this
// object goes away, so that every object the engine makes belongs to its
// thread. Reach the engine only through queued calls.
class UpdateEngineThread {
  public:
    explicit UpdateEngineThread(AppUpdater::Parameters parameters);
    ~UpdateEngineThread();

    UpdateEngineThread(const UpdateEngineThread&) = delete;
    UpdateEngineThread& operator=(const UpdateEngineThread&) = delete;

    AppUpdater* engine() const { return engine_; }

  private:
    QThread thread_;
    AppUpdater* engine_;  // deleted on its own thread as the thread finishes
};

}  // namespace corvane
