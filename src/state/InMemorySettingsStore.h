#pragma once

#include <QHash>

#include "state/SettingsStore.h"

namespace corvane {

// Settings that live only as long as the object; for runs that must leave
// nothing behind, and for tests of the logic above the settings file.
class InMemorySettingsStore : public SettingsStore {
  public:
    std::optional<SettingValue> value(const QString& key) const override;
    [[nodiscard]] std::optional<SettingsError> setValue(const QString& key,
                                                        const SettingValue& value) override;
    [[nodiscard]] std::optional<SettingsError> remove(const QString& key) override;

    bool contains(const QString& key) const { return values_.contains(key); }

  private:
    QHash<QString, SettingValue> values_;
};

}  // namespace corvane
