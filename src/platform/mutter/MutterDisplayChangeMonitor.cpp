#include "platform/mutter/MutterDisplayChangeMonitor.h"

#include "platform/mutter/DisplayConfigClient.h"

namespace corvane {

MutterDisplayChangeMonitor::MutterDisplayChangeMonitor(QDBusConnection connection, QObject* parent)
    : QObject(parent) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(kQuietPeriod);
    connect(&quiet_, &QTimer::timeout, this, &MutterDisplayChangeMonitor::displaysChanged);
    connected_ = connection.connect(mutter::kDisplayConfigService, mutter::kDisplayConfigPath,
                                    mutter::kDisplayConfigInterface,
                                    QStringLiteral("MonitorsChanged"), this, SLOT(noteChange()));
}

void MutterDisplayChangeMonitor::beginOwnChange() {
    ++ownChanges_;
}

void MutterDisplayChangeMonitor::endOwnChange() {
    // The signals of the change are queued on this thread already, ahead of
    // what is queued now: the bracket closes once they have been dropped.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (ownChanges_ > 0) {
                --ownChanges_;
            }
        },
        Qt::QueuedConnection);
}

void MutterDisplayChangeMonitor::noteChange() {
    if (ownChanges_ == 0) {
        quiet_.start();
    }
}

}  // namespace corvane
