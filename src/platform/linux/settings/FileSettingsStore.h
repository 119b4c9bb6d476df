#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <optional>

#include "platform/linux/settings/PlistNode.h"
#include "state/SettingsStore.h"

namespace corvane {

// The settings kept in one XML property list, which holds integers,
// booleans, strings and data as distinct types. Every change replaces the
// file atomically (a complete temporary file, synced, then renamed over
// it), so a crash leaves either the old or the new file. A file that cannot
// be read or parsed is moved aside under a timestamped name and the store
// starts empty; it is never overwritten.
//
// Two instances of one user (one per X display) share the file. Each write
// holds a lock on the folder, reads the file again and applies only this
// store's own changes to it, so neither drops what the other wrote.
class FileSettingsStore : public SettingsStore {
  public:
    explicit FileSettingsStore(QString filePath);

    // "$XDG_CONFIG_HOME/Corvane/settings.plist", "~/.config" standing in for
    // an unset XDG_CONFIG_HOME.
    static QString defaultFilePath();

    const QString& filePath() const { return filePath_; }

    // Where an unreadable file found at start was moved to.
    const std::optional<QString>& setAsidePath() const { return setAsidePath_; }

    std::optional<SettingValue> value(const QString& key) const override;
    [[nodiscard]] std::optional<SettingsError> setValue(const QString& key,
                                                        const SettingValue& value) override;
    [[nodiscard]] std::optional<SettingsError> remove(const QString& key) override;

  private:
    void load();
    bool setAside();
    void removeStaleTemporaryFiles() const;
    std::optional<SettingsError> change(const QByteArray& key, std::optional<SettingValue> value);
    std::optional<SettingsError> write();

    QString filePath_;
    PlistNode root_;
    std::optional<QString> setAsidePath_;
    // Why writing is refused: a damaged file that could not be moved aside.
    std::optional<SettingsError> blocked_;
    // This store's changes that the file has not taken yet; nullopt: the
    // key was removed.
    std::map<QByteArray, std::optional<SettingValue>> pending_;
};

}  // namespace corvane
