#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

#include "display/DisplayChangeEcho.h"

namespace corvane {

// Tells the application that the X server's display configuration changed:
// a display plugged in or out, a mode switched, an EDID changed. RandR's
// screen, CRTC, output and output-property events are read on a connection
// of the monitor's own; a burst of them (a single switch sends several)
// becomes one displaysChanged() once the burst has been quiet for the
// quiet period, and at the latest a second after the burst began.
//
// Changes the application makes itself are bracketed with beginOwnChange()
// and endOwnChange(): what the server reports for them is dropped.
//
// Lives on the thread that creates it and signals there.
class X11DisplayChangeMonitor : public QObject, public DisplayChangeEcho {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kDefaultQuietPeriod{100};

    // An empty name means $DISPLAY.
    explicit X11DisplayChangeMonitor(const QString& displayName = {}, QObject* parent = nullptr);
    ~X11DisplayChangeMonitor() override;

    // False when the server could not be reached or has gone away.
    bool isConnected() const;

    void setQuietPeriod(std::chrono::milliseconds period);

    // Between these two, changes are the application's own. endOwnChange()
    // asks the server for a round trip first, so every event the own change
    // caused has arrived, and drops it. Pairs may nest.
    void beginOwnChange() override;
    void endOwnChange() override;

  signals:
    void displaysChanged();
    // The server went away; no further changes will be reported.
    void connectionLost();

  private:
    void readEvents();
    void noteChange();
    void report();
    void disconnectFromServer();

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace corvane
