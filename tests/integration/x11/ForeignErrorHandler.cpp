#include "tests/integration/x11/ForeignErrorHandler.h"

#include <X11/Xlib.h>

namespace corvane::testing {

namespace {

int foreignCalls = 0;
XErrorHandler previous = nullptr;

int countCall(Display*, XErrorEvent*) {
    ++foreignCalls;
    return 0;
}

}  // namespace

ForeignErrorHandler::ForeignErrorHandler() {
    foreignCalls = 0;
    previous = XSetErrorHandler(countCall);
}

ForeignErrorHandler::~ForeignErrorHandler() {
    XSetErrorHandler(previous);
}

int ForeignErrorHandler::calls() const {
    return foreignCalls;
}

bool ForeignErrorHandler::isInstalled() const {
    const XErrorHandler current = XSetErrorHandler(countCall);
    XSetErrorHandler(current);
    return current == countCall;
}

int xBadValue() {
    return BadValue;
}

}  // namespace corvane::testing
