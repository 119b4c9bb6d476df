#pragma once

#include <xcb/xcb.h>

#include <QString>
#include <memory>

namespace corvane {

struct XcbDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

// A connection of a monitor's own, on which it reads the events of one X
// extension.
struct XcbEventConnection {
    XcbConnection connection;  // empty when the server or the extension is missing
    const xcb_query_extension_reply_t* extension = nullptr;  // owned by the connection
    xcb_window_t root = 0;
};

// Connects to the display (an empty name means $DISPLAY) and looks up the
// extension there.
XcbEventConnection connectForEvents(const QString& displayName, xcb_extension_t* extension);

}  // namespace corvane
