#pragma once

#include <QByteArray>
#include <optional>

#include "update/UpdateCheckResult.h"

namespace corvane {

// What a check process tells the application on its standard output, as
// one line of JSON: the check's result, and whether it started a
// replacement tool, which it then waits for before it ends.
struct UpdateCheckReport {
    // The check program's exit status when the replacement tool it started
    // ended first: the hand-off failed. Any other end leaves the tool's
    // fate unknown.
    static constexpr int kToolEndedStatus = 3;

    UpdateCheckResult result = UpdateCheckResult::failed();
    bool handedOff = false;

    QByteArray toLine() const;
    // nullopt for anything but a line toLine() writes.
    static std::optional<UpdateCheckReport> fromLine(const QByteArray& line);

    bool operator==(const UpdateCheckReport&) const = default;
};

}  // namespace corvane
