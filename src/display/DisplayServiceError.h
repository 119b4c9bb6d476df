#pragma once

#include <QString>
#include <cstdint>

namespace corvane {

// Why a display could not be switched; description() is shown to the user.
class DisplayServiceError {
  public:
    enum class Kind {
        changeFailed,        // the platform refused the switch; code() says why
        displayUnavailable,  // the display has no modes: gone or offline
        modeUnavailable,     // no usable platform mode matches the request
    };

    static DisplayServiceError changeFailed(std::int32_t code) {
        return {Kind::changeFailed, code};
    }
    static DisplayServiceError displayUnavailable() { return {Kind::displayUnavailable, 0}; }
    static DisplayServiceError modeUnavailable() { return {Kind::modeUnavailable, 0}; }

    Kind kind() const { return kind_; }
    // The platform's error code; 0 unless kind() is changeFailed.
    std::int32_t code() const { return code_; }
    QString description() const;

    bool operator==(const DisplayServiceError&) const = default;

  private:
    DisplayServiceError(Kind kind, std::int32_t code) : kind_(kind), code_(code) {}

    Kind kind_;
    std::int32_t code_;
};

}  // namespace corvane
