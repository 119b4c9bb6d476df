#include "state/InMemorySettingsStore.h"

namespace corvane {

std::optional<SettingValue> InMemorySettingsStore::value(const QString& key) const {
    const auto found = values_.constFind(key);
    if (found == values_.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<SettingsError> InMemorySettingsStore::setValue(const QString& key,
                                                             const SettingValue& value) {
    values_.insert(key, value);
    return std::nullopt;
}

std::optional<SettingsError> InMemorySettingsStore::remove(const QString& key) {
    values_.remove(key);
    return std::nullopt;
}

}  // namespace corvane
