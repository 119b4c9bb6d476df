#pragma once

#include <QString>
#include <optional>

namespace corvane {

// Why the start-at-login registration could not be changed.
class LoginItemError {
  public:
    enum class Kind { registerFailed, unregisterFailed };

    LoginItemError(Kind kind, QString path, QString reason)
        : kind_(kind), path_(std::move(path)), reason_(std::move(reason)) {}

    Kind kind() const { return kind_; }
    // What could not be written or removed.
    const QString& path() const { return path_; }
    // The system's explanation, as it gave it.
    const QString& reason() const { return reason_; }
    QString description() const;

    bool operator==(const LoginItemError&) const = default;

  private:
    Kind kind_;
    QString path_;
    QString reason_;
};

// The platform's registration of this application as something to start
// at login.
class LoginItemRegistration {
  public:
    virtual ~LoginItemRegistration() = default;

    // True exactly when the registration is in force for this installation.
    virtual bool isRegistered() const = 0;
    [[nodiscard]] virtual std::optional<LoginItemError> registerItem() = 0;
    [[nodiscard]] virtual std::optional<LoginItemError> unregisterItem() = 0;
};

}  // namespace corvane
