#include "update/UpdateEngineThread.h"

namespace corvane {

UpdateEngineThread::UpdateEngineThread(AppUpdater::Parameters parameters)
    : engine_(new AppUpdater(std::move(parameters))) {
    thread_.setObjectName(QStringLiteral("Corvane update engine"));
    engine_->moveToThread(&thread_);
    // finished is emitted on the engine's thread, whose remaining deferred
    // deletions run before it ends.
    QObject::connect(&thread_, &QThread::finished, engine_, &QObject::deleteLater);
    thread_.start();
}

UpdateEngineThread::~UpdateEngineThread() {
    thread_.quit();
    thread_.wait();
}

}  // namespace corvane
