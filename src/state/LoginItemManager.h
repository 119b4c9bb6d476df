#pragma once

#include <optional>

#include "state/LoginItem.h"

namespace corvane {

// Whether the application starts when the user logs in. The state lives
// only in the platform's registration; nothing is kept here.
class LoginItemManager {
  public:
    explicit LoginItemManager(LoginItemRegistration& registration) : registration_(&registration) {}

    bool isEnabled() const { return registration_->isRegistered(); }

    // Makes exactly one register or unregister request, without looking
    // at the current state first, and returns its failure unchanged.
    [[nodiscard]] std::optional<LoginItemError> setEnabled(bool enabled);

  private:
    LoginItemRegistration* registration_;
};

}  // namespace corvane
