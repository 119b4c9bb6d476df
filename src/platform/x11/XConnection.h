#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

// The Xlib and XCB types stay opaque here so that this header carries no
// X macros (None, Bool, Status, Success) into code that includes it.
struct _XDisplay;
struct xcb_connection_t;

namespace corvane::x11 {

struct TrapResult {
    int errorCode = 0;  // the first X error the server sent back; 0: none
    bool connectionLost = false;
};

// One X connection of our own, through Xlib with XCB underneath. Xlib is
// what switching uses; XCB on the same socket lets reads be pipelined.
//
// Xlib's error handlers are process-wide: Qt installs one that swallows
// every error, and Xlib's default ones end the process (on any X error, and
// on a lost connection). Every Xlib call on this connection therefore goes
// through trapped(), which installs our handlers, waits for the server's
// answer and puts the previous handlers back. A lost server marks the
// connection lost instead of ending the process.
class XConnection {
  public:
    // nullptr when the display cannot be opened or has no RandR 1.3.
    // An empty name means $DISPLAY.
    static std::unique_ptr<XConnection> open(const QString& displayName);
    ~XConnection();

    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    _XDisplay* display() const { return display_; }
    xcb_connection_t* xcb() const { return xcb_; }
    std::uint32_t root() const { return root_; }
    std::uint32_t edidAtom() const { return edidAtom_; }
    // The screen's physical size per pixel at connection time, for keeping
    // the resolution in dots per inch when the screen is resized.
    double millimetresPerPixelX() const { return mmPerPixelX_; }
    double millimetresPerPixelY() const { return mmPerPixelY_; }

    // True once the server has gone away; it does not come back.
    bool isLost();

    // Runs Xlib requests on this connection with our error handlers in
    // place and waits until the server has answered all of them.
    TrapResult trapped(const std::function<void()>& requests);

  private:
    XConnection() = default;

    friend struct XConnectionHandlers;

    _XDisplay* display_ = nullptr;
    xcb_connection_t* xcb_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t edidAtom_ = 0;
    double mmPerPixelX_ = 0;
    double mmPerPixelY_ = 0;
    bool lost_ = false;
};

}  // namespace corvane::x11
