#pragma once

namespace corvane::testing {

// Stands in for the process-wide Xlib error handler a Qt application
// installs, to show that the backend neither feeds it nor leaves it
// replaced. Kept apart from the tests because Xlib's macros clash with Qt
// and GoogleTest.
class ForeignErrorHandler {
  public:
    ForeignErrorHandler();
    ~ForeignErrorHandler();

    ForeignErrorHandler(const ForeignErrorHandler&) = delete;
    ForeignErrorHandler& operator=(const ForeignErrorHandler&) = delete;

    int calls() const;
    // True when this handler is the one Xlib would call now.
    bool isInstalled() const;
};

// Xlib's BadValue error code.
int xBadValue();

}  // namespace corvane::testing
