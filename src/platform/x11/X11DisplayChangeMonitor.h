#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

#include "platform/x11/RandrChangeFeed.h"

namespace corvane {

// Tells the application that the X server's display configuration changed:
// a display plugged in or out, a mode switched, an EDID changed. RandR's
// screen, CRTC, output and output-property events are read on a connection
// of the monitor's own; a burst of them (a single switch sends several)
// becomes one displaysChanged() once the burst has been quiet for the
// quiet period, and at the latest a second after the burst began.
//
// The backend marks its own changes in the event stream (see
// RandrChangeFeed); exactly the events between its marks are dropped, so a
// change from outside is reported even when it lands right before or after
// one of the application's own.
//
// Lives on the thread that creates it and signals there.
class X11DisplayChangeMonitor : public QObject, public x11::RandrChangeFeed {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kDefaultQuietPeriod{100};

    // An empty name means $DISPLAY.
    explicit X11DisplayChangeMonitor(const QString& displayName = {}, QObject* parent = nullptr);
    ~X11DisplayChangeMonitor() override;

    // False when the server could not be reached or has gone away.
    bool isConnected() const;

    void setQuietPeriod(std::chrono::milliseconds period);

    std::optional<std::uint64_t> changeCount() override;
    std::vector<std::uint32_t> takeDepartedOutputs() override;
    std::uint32_t ownChangeMarkerWindow() const override;

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
