#pragma once

namespace corvane {

// Told when the application itself is about to reconfigure displays and
// when it is done, so that the reconfiguration is not reported back to it as
// a change from outside. Implemented by the platform's change monitor.
class DisplayChangeEcho {
  public:
    virtual ~DisplayChangeEcho() = default;
    virtual void beginOwnChange() = 0;
    virtual void endOwnChange() = 0;
};

// Marks the application's own change for as long as it lives; does nothing
// without an echo to tell.
//
//     {
//         OwnDisplayChange own(monitor);
//         service.setMode(mode, display);
//     }
class OwnDisplayChange {
  public:
    explicit OwnDisplayChange(DisplayChangeEcho* echo) : echo_(echo) {
        if (echo_) {
            echo_->beginOwnChange();
        }
    }
    explicit OwnDisplayChange(DisplayChangeEcho& echo) : OwnDisplayChange(&echo) {}
    ~OwnDisplayChange() {
        if (echo_) {
            echo_->endOwnChange();
        }
    }

    OwnDisplayChange(const OwnDisplayChange&) = delete;
    OwnDisplayChange& operator=(const OwnDisplayChange&) = delete;

  private:
    DisplayChangeEcho* echo_;
};

}  // namespace corvane
