#pragma once

#include <string>
#include <variant>

#include "updater/UpdaterError.h"

namespace corvane::updater {

// A failed system call, with what the tool was doing and the errno it got.
struct SystemError {
    std::string action;  // e.g. "cannot move /a/Corvane.app to /b/Corvane.app.…"
    int code = 0;

    bool operator==(const SystemError&) const = default;
};

// Anything that ends a replacement: one of the tool's own errors or a
// failure of the system. Thrown up to main(), which reports it.
class Failure {
  public:
    explicit Failure(UpdaterError error) : cause_(error) {}
    explicit Failure(SystemError error) : cause_(std::move(error)) {}

    const std::variant<UpdaterError, SystemError>& cause() const { return cause_; }

    // The tool's own errors read as their names; a system error as its
    // action and the system's text for the errno. Control characters (a path
    // may hold a line feed) are escaped so that the report stays one line.
    std::string description() const;

  private:
    std::variant<UpdaterError, SystemError> cause_;
};

}  // namespace corvane::updater
