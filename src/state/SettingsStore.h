#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

namespace corvane {

// A stored value keeps its type: an integer is never read as a boolean, a
// string never as data.
using SettingValue = std::variant<std::int64_t, bool, QString, QByteArray>;

// A change that could not be made lasting.
class SettingsError {
  public:
    enum class Kind {
        folderUnavailable,    // the folder for the settings file cannot be created
        writeFailed,          // the file cannot be written or replaced
        unsupportedValue,     // the value cannot be represented in the file
        damagedFileInTheWay,  // an unreadable file could not be moved aside, so it is kept
    };

    SettingsError(Kind kind, QString path, QString reason)
        : kind_(kind), path_(std::move(path)), reason_(std::move(reason)) {}

    Kind kind() const { return kind_; }
    const QString& path() const { return path_; }
    // The system's explanation, as it gave it.
    const QString& reason() const { return reason_; }
    QString description() const;

    bool operator==(const SettingsError&) const = default;

  private:
    Kind kind_;
    QString path_;
    QString reason_;
};

// The user's settings: typed values under string keys. Every change is
// written through at once; nothing is batched.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    virtual std::optional<SettingValue> value(const QString& key) const = 0;

    // On failure the new value still holds for this run, and the next write
    // that succeeds makes it lasting.
    [[nodiscard]] virtual std::optional<SettingsError> setValue(const QString& key,
                                                                const SettingValue& value) = 0;
    [[nodiscard]] virtual std::optional<SettingsError> remove(const QString& key) = 0;

    // Typed reads: a value of another type reads as absent.
    std::optional<std::int64_t> integer(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;
};

}  // namespace corvane
