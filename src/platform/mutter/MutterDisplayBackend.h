#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <cstdint>
#include <optional>

#include "display/DisplayBackend.h"
#include "platform/mutter/DisplayConfigClient.h"

namespace corvane {

class MutterDisplayChangeMonitor;

// The display configuration of GNOME's compositor, Mutter, through its
// org.gnome.Mutter.DisplayConfig interface on the session bus.
//
// Online displays are monitors that show part of the desktop. Identifiers
// come from the monitor's vendor, product and serial, the same numbers the
// X11 backend derives from the monitor's EDID. Mode identifiers and handles
// are stable numbers derived from the mode itself.
//
// Mutter announces every change of its configuration, so the state read
// once serves every call until Mutter says it changed (or its name moves to
// another process): an idle snapshot costs no round trip. A switch re-reads
// the state first and applies it temporarily (see DisplayConfigClient).
//
// When Mutter is gone or answers with an error, lists are empty and
// switches fail; nothing of it ends the process. Main thread only.
class MutterDisplayBackend : public QObject, public DisplayBackend {
    Q_OBJECT

  public:
    explicit MutterDisplayBackend(QDBusConnection connection = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);
    ~MutterDisplayBackend() override;

    std::optional<std::vector<DisplayId>> onlineDisplays() override;
    DisplayId mainDisplay() override;
    std::optional<PlatformMode> currentMode(DisplayId display) override;
    std::vector<PlatformMode> allModes(DisplayId display) override;
    // 0 on success; otherwise Mutter's or the bus's error (a QDBusError
    // type), or kSwitchDisplayGone / kSwitchModeGone when Mutter was never
    // asked to switch.
    std::int32_t switchMode(DisplayId display, const PlatformMode& mode) override;
    std::vector<ScreenDescription> screens() override;

    // The monitor that must not report this backend's own switches as
    // changes from outside; none by default.
    void setChangeMonitor(MutterDisplayChangeMonitor* monitor) { changeMonitor_ = monitor; }

  private slots:
    // Mutter's configuration changed: the next call reads it again.
    void forgetState();

  private:
    struct Read {
        mutter::DisplayConfigState state;
        std::vector<mutter::OnlineMonitor> online;
    };

    const Read* read();
    const mutter::Monitor* findMonitor(DisplayId display);

    mutter::DisplayConfigClient client_;
    QDBusServiceWatcher ownerWatcher_;
    std::optional<Read> read_;
    bool told_ = false;  // Mutter's change signal reaches this object
    MutterDisplayChangeMonitor* changeMonitor_ = nullptr;
};

}  // namespace corvane
