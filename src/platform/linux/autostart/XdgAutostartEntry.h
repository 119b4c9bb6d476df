#pragma once

#include <QString>

#include "state/LoginItem.h"

namespace corvane {

// Start at login through an XDG autostart entry. The registration is in
// force exactly when the entry exists, reads as a desktop entry, starts
// this installation's executable and is not switched off by "Hidden=true"
// or "X-GNOME-Autostart-enabled=false".
class XdgAutostartEntry : public LoginItemRegistration {
  public:
    // `executablePath` is the installed program the entry starts.
    XdgAutostartEntry(QString entryPath, QString executablePath);

    // "$XDG_CONFIG_HOME/autostart/corvane.desktop", "~/.config" standing
    // in for an unset XDG_CONFIG_HOME.
    static QString defaultEntryPath();

    const QString& entryPath() const { return entryPath_; }

    bool isRegistered() const override;
    // Writes the entry atomically, replacing whatever entry was there.
    [[nodiscard]] std::optional<LoginItemError> registerItem() override;
    // Removes the entry; an entry that is already gone is no failure.
    [[nodiscard]] std::optional<LoginItemError> unregisterItem() override;

  private:
    bool startsThisInstallation(const QString& program) const;

    QString entryPath_;
    QString executablePath_;
};

}  // namespace corvane
