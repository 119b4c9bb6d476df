#pragma once

#include <stdexcept>

namespace corvane::devdesktop {

// A step of setting up or taking down the private desktop that failed; the
// message says which step and why, and is shown to the user as it stands.
class DevDesktopError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace corvane::devdesktop
