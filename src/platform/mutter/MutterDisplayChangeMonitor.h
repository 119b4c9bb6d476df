#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

#include "platform/mutter/DisplayConfigClient.h"

namespace corvane {

// Tells the application that Mutter's display configuration changed: a
// monitor plugged in or out, a mode switched, a layout applied. Mutter's
// MonitorsChanged signals are gathered for the quiet period; then the
// configuration is read, and displaysChanged() follows only when it differs
// from the one known before (a configuration Mutter cannot be asked for
// counts as a change once).
//
// The display backend brackets the changes it makes itself with
// beginOwnChange() and endOwnChange(): the configuration at the end of the
// bracket becomes the known one. Mutter announces a change more than once, some of it long
// after the call that made it returned, so this, not timing, is what keeps
// the application's own changes from being reported back to it.
//
// Lives on the thread that creates it and signals there. Give it the
// connection the display backend uses.
class MutterDisplayChangeMonitor : public QObject {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kQuietPeriod{50};

    explicit MutterDisplayChangeMonitor(QDBusConnection connection = QDBusConnection::sessionBus(),
                                        QObject* parent = nullptr);

    // False when the bus refused to deliver Mutter's signal.
    bool isConnected() const { return connected_; }

    void beginOwnChange();
    void endOwnChange();

  signals:
    void displaysChanged();

  private slots:
    void noteSignal();

  private:
    void compare();

    mutter::DisplayConfigClient client_;
    QTimer quiet_;
    std::optional<mutter::DisplayConfigState> known_;
    int ownChanges_ = 0;
    bool connected_ = false;
};

}  // namespace corvane
