#pragma once

namespace corvane {

// Told when the application itself is about to reconfigure displays and
// when it is done, so that the reconfiguration is not reported back to it as
// a change from outside.
class DisplayChangeEcho {
  public:
    virtual ~DisplayChangeEcho() = default;
    virtual void beginOwnChange() = 0;
    virtual void endOwnChange() = 0;
};

}  // namespace corvane
