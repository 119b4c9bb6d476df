#pragma once

#include <string>
#include <variant>
#include <vector>

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

    // What else the user needs to know, such as where the previous
    // application is when it could not be put back.
    void addNote(std::string note) { notes_.push_back(std::move(note)); }

    // The tool's own errors read as their names; a system error as its
    // action and the system's text for the errno; each note follows after
    // "; ". Control characters (a path may hold a line feed) are escaped so
    // that the report stays one line.
    std::string description() const;

  private:
    std::variant<UpdaterError, SystemError> cause_;
    std::vector<std::string> notes_;
};

}  // namespace corvane::updater
