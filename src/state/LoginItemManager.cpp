#include "state/LoginItemManager.h"

namespace corvane {

std::optional<LoginItemError> LoginItemManager::setEnabled(bool enabled) {
    return enabled ? registration_->registerItem() : registration_->unregisterItem();
}

}  // namespace corvane
