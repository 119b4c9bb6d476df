#include "update/EngineUpdateChecker.h"

namespace corvane {

EngineUpdateChecker::EngineUpdateChecker(AppUpdater::Parameters parameters, QObject* parent)
    : QObject(parent), thread_(std::move(parameters)) {
    // Queued across the threads: delivered here on this object's thread.
    connect(thread_.engine(), &AppUpdater::replacementToolEnded, this, [this] {
        if (!stopped_ && onHandOffFailed_) {
            onHandOffFailed_();
        }
    });
}

EngineUpdateChecker::~EngineUpdateChecker() {
    stop();
}

void EngineUpdateChecker::checkAndScheduleUpdate(ResultHandler onResult) {
    AppUpdater* engine = thread_.engine();
    QMetaObject::invokeMethod(
        engine,
        [this, engine, onResult = std::move(onResult)]() mutable {
            const UpdateCheckResult result = engine->checkAndScheduleUpdate();
            // Queued to this object: dropped by Qt if it is gone by then.
            QMetaObject::invokeMethod(
                this,
                [this, result, onResult = std::move(onResult)] {
                    if (!stopped_) {
                        onResult(result);
                    }
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void EngineUpdateChecker::setHandOffFailedHandler(HandOffFailedHandler onFailed) {
    onHandOffFailed_ = std::move(onFailed);
}

void EngineUpdateChecker::stop() {
    stopped_ = true;
    thread_.engine()->requestStop();
}

}  // namespace corvane
