#pragma once

#include <QString>
#include <variant>

#include "update/UpdaterError.h"

namespace corvane {

// A failure of the platform inside the engine: what the engine was doing
// and the system's reason.
struct SystemFailure {
    QString action;  // e.g. "cannot create /home/u/…/Staging/build-58"
    QString reason;

    bool operator==(const SystemFailure&) const = default;
};

// Anything that ends a download, a staging or a hand-off: one of the
// engine's own errors or a failure of the platform. Thrown inside the
// engine and absorbed by its check.
class UpdateFailure {
  public:
    explicit UpdateFailure(UpdaterError error) : cause_(error) {}
    explicit UpdateFailure(SystemFailure failure) : cause_(std::move(failure)) {}

    const std::variant<UpdaterError, SystemFailure>& cause() const { return cause_; }
    // The error's name for the engine's own errors; the action and the
    // reason for a platform failure.
    QString description() const;

  private:
    std::variant<UpdaterError, SystemFailure> cause_;
};

}  // namespace corvane
