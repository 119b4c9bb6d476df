#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace corvane {

// Holds a lock file for the life of the process so that one Corvane runs
// per user and display. A lock left behind by a process that died is
// taken over.
class SingleInstanceLock {
  public:
    // `displayName` is the window system's display (":0"); instances on
    // different displays do not exclude each other.
    explicit SingleInstanceLock(const QString& displayName);

    // False when another live process holds the lock.
    bool tryAcquire();

    QString path() const { return path_; }

  private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace corvane
