#pragma once

#include <QDBusConnection>
#include <QString>
#include <cstdint>
#include <variant>

#include "platform/mutter/DisplayConfigState.h"
#include "platform/mutter/MonitorsConfigPlan.h"

namespace corvane::mutter {

inline const QString kDisplayConfigService = QStringLiteral("org.gnome.Mutter.DisplayConfig");
inline const QString kDisplayConfigPath = QStringLiteral("/org/gnome/Mutter/DisplayConfig");
inline const QString kDisplayConfigInterface = QStringLiteral("org.gnome.Mutter.DisplayConfig");

// A call that did not succeed: what the bus or Mutter answered.
struct CallFailure {
    std::int32_t code = 0;  // QDBusError::ErrorType; never 0
    QString message;
};

// The two calls of Mutter's display configuration interface, converted
// between D-Bus and plain values. Calls block (up to a few seconds) and
// never throw; a reply of the wrong shape is a failure like any other.
class DisplayConfigClient {
  public:
    explicit DisplayConfigClient(QDBusConnection connection);

    std::variant<DisplayConfigState, CallFailure> currentState() const;

    // Applies the configuration temporarily: Mutter shows it at once and
    // asks for no confirmation, and does not write it into its own stored
    // configuration; Corvane remembers and re-applies chosen modes itself.
    std::optional<CallFailure> apply(const MonitorsConfig& config) const;

    const QDBusConnection& connection() const { return connection_; }

  private:
    QDBusConnection connection_;
};

}  // namespace corvane::mutter
