#include "platform/linux/session/SingleInstanceLock.h"

#include <QDir>
#include <QStandardPaths>

namespace corvane {

namespace {

QString lockPathFor(const QString& displayName) {
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) {
        runtime = QDir::tempPath();
    }
    QString key = displayName;
    for (QChar& c : key) {
        if (!c.isLetterOrNumber() && c != u'.') {
            c = u'_';
        }
    }
    return runtime +
           QStringLiteral("/corvane-%1.lock").arg(key.isEmpty() ? QStringLiteral("default") : key);
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const QString& displayName)
    : path_(lockPathFor(displayName)), lock_(std::make_unique<QLockFile>(path_)) {
    // The lock is held for the whole run; it never goes stale while its
    // owner lives, and QLockFile checks the owner's PID itself.
    lock_->setStaleLockTime(0);
}

bool SingleInstanceLock::tryAcquire() {
    return lock_->tryLock(0);
}

}  // namespace corvane
