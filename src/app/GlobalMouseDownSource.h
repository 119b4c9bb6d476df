#pragma once

#include <functional>

namespace corvane {

// Tells of mouse button presses anywhere on the desktop, in the windows of
// other applications too, without taking them from the window they were
// aimed at. Scrolling is not a press. Reported on the main thread, only
// between watch() and stopWatching().
class GlobalMouseDownSource {
  public:
    virtual ~GlobalMouseDownSource() = default;

    virtual void watch(std::function<void()> onMouseDown) = 0;
    virtual void stopWatching() = 0;
};

}  // namespace corvane
