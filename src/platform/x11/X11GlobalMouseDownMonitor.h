#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/GlobalMouseDownSource.h"

namespace corvane {

// Mouse button presses anywhere on the X server, through the XInput 2 raw
// events of its master pointers: the server copies them to this monitor
// while delivering each press to its window as usual, so nothing is
// grabbed or taken away. Read on a connection of the monitor's own, and
// asked for only while watching, so an idle application is not woken by
// the user's clicks. Buttons 4 to 7 are the scroll wheels and do not count.
//
// Lives on the thread that creates it and reports there.
class X11GlobalMouseDownMonitor : public QObject, public GlobalMouseDownSource {
    Q_OBJECT

  public:
    // An empty name means $DISPLAY.
    explicit X11GlobalMouseDownMonitor(const QString& displayName = {}, QObject* parent = nullptr);
    ~X11GlobalMouseDownMonitor() override;

    // False when the server could not be reached, has no XInput 2, or has
    // gone away; then nothing is ever reported.
    bool isConnected() const;

    void watch(std::function<void()> onMouseDown) override;
    void stopWatching() override;

  private:
    void readEvents();
    void select(bool presses);
    void disconnectFromServer();

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace corvane
