#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace corvane::testing {

// Sets an environment variable for the life of the object and restores
// the earlier value (or its absence) afterwards.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : name_(name), hadValue_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (hadValue_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    bool hadValue_;
    QByteArray old_;
};

}  // namespace corvane::testing
