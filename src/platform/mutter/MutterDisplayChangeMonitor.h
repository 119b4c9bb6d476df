#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <chrono>

#include "display/DisplayChangeEcho.h"

namespace corvane {

// Tells the application that Mutter's display configuration changed: a
// monitor plugged in or out, a mode switched, a layout applied. Mutter's
// MonitorsChanged signal becomes displaysChanged() once the signals have
// been quiet for the quiet period, which also lets the display backend
// drop its stale state first.
//
// Changes the application makes itself are bracketed with beginOwnChange()
// and endOwnChange(): Mutter signals a change before it answers the call
// that made it, so what arrives before the end of the bracket is dropped.
//
// Lives on the thread that creates it and signals there.
class MutterDisplayChangeMonitor : public QObject, public DisplayChangeEcho {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kQuietPeriod{50};

    explicit MutterDisplayChangeMonitor(QDBusConnection connection = QDBusConnection::sessionBus(),
                                        QObject* parent = nullptr);

    // False when the bus refused to deliver Mutter's signal.
    bool isConnected() const { return connected_; }

    void beginOwnChange() override;
    void endOwnChange() override;

  signals:
    void displaysChanged();

  private slots:
    void noteChange();

  private:
    QTimer quiet_;
    int ownChanges_ = 0;
    bool connected_ = false;
};

}  // namespace corvane
