#include "platform/x11/XConnection.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <xcb/xcb.h>

namespace corvane::x11 {

namespace {

// Xlib's handlers take no context, so the trap that is in force is found
// through this pointer. Only the thread that set it reads it, and traps
// nest: each remembers the one it covers.
struct Trap {
    XConnection* connection = nullptr;
    XErrorHandler previousError = nullptr;
    XIOErrorHandler previousIOError = nullptr;
    Trap* outer = nullptr;
    int errorCode = 0;
};
thread_local Trap* activeTrap = nullptr;

}  // namespace

// Reaches the connection's private state from Xlib's plain-function
// handlers.
struct XConnectionHandlers {
    static int onError(Display* display, XErrorEvent* event) {
        Trap* trap = activeTrap;
        if (trap && display == trap->connection->display_) {
            if (trap->errorCode == 0) {
                trap->errorCode = event->error_code;
            }
            return 0;
        }
        // Another connection's error belongs to whoever handled it before.
        return trap && trap->previousError ? trap->previousError(display, event) : 0;
    }

    static int onIOError(Display* display) {
        Trap* trap = activeTrap;
        if (trap && display == trap->connection->display_) {
            trap->connection->lost_ = true;
            return 0;
        }
        return trap && trap->previousIOError ? trap->previousIOError(display) : 0;
    }

    // Called by Xlib after the I/O error handler; the default one exits.
    static void onIOErrorExit(Display*, void* connection) {
        static_cast<XConnection*>(connection)->lost_ = true;
    }

    static void install(Trap& trap, XConnection* connection) {
        trap.connection = connection;
        trap.outer = activeTrap;
        trap.previousError = XSetErrorHandler(onError);
        trap.previousIOError = XSetIOErrorHandler(onIOError);
        activeTrap = &trap;
    }

    static void remove(Trap& trap) {
        XSetErrorHandler(trap.previousError);
        XSetIOErrorHandler(trap.previousIOError);
        activeTrap = trap.outer;
    }
};

std::unique_ptr<XConnection> XConnection::open(const QString& displayName) {
    const QByteArray name = displayName.toLocal8Bit();
    Display* display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    if (!display) {
        return nullptr;
    }
    std::unique_ptr<XConnection> connection(new XConnection);
    connection->display_ = display;
    connection->xcb_ = XGetXCBConnection(display);
    XSetIOErrorExitHandler(display, XConnectionHandlers::onIOErrorExit, connection.get());

    bool hasRandr = false;
    int major = 0;
    int minor = 0;
    const TrapResult result = connection->trapped([&] {
        // Extension opcodes are assigned by each server; ask for RandR's.
        int opcode = 0;
        int firstEvent = 0;
        int firstError = 0;
        hasRandr = XQueryExtension(display, "RANDR", &opcode, &firstEvent, &firstError) &&
                   XRRQueryVersion(display, &major, &minor);
        connection->edidAtom_ = XInternAtom(display, RR_PROPERTY_RANDR_EDID, False);
    });
    // Current screen resources and the primary output arrived in RandR 1.3.
    if (result.errorCode != 0 || result.connectionLost || !hasRandr || (major == 1 && minor < 3) ||
        major < 1) {
        return nullptr;
    }

    const int screen = DefaultScreen(display);
    connection->root_ = static_cast<std::uint32_t>(RootWindow(display, screen));
    const auto perPixel = [](int millimetres, int pixels) {
        // 96 dots per inch when the server does not know the size.
        return millimetres > 0 && pixels > 0 ? static_cast<double>(millimetres) / pixels
                                             : 25.4 / 96.0;
    };
    connection->mmPerPixelX_ =
        perPixel(DisplayWidthMM(display, screen), DisplayWidth(display, screen));
    connection->mmPerPixelY_ =
        perPixel(DisplayHeightMM(display, screen), DisplayHeight(display, screen));
    return connection;
}

XConnection::~XConnection() {
    // Closing flushes and waits for the server, which may be gone.
    Trap trap;
    XConnectionHandlers::install(trap, this);
    XCloseDisplay(display_);
    XConnectionHandlers::remove(trap);
}

bool XConnection::isLost() {
    if (!lost_ && xcb_connection_has_error(xcb_)) {
        lost_ = true;
    }
    return lost_;
}

TrapResult XConnection::trapped(const std::function<void()>& requests) {
    if (isLost()) {
        return {0, true};
    }
    Trap trap;
    XConnectionHandlers::install(trap, this);
    requests();
    XSync(display_, False);
    XConnectionHandlers::remove(trap);
    return {trap.errorCode, isLost()};
}

}  // namespace corvane::x11
