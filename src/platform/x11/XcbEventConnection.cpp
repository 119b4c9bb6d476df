#include "platform/x11/XcbEventConnection.h"

namespace corvane {

XcbEventConnection connectForEvents(const QString& displayName, xcb_extension_t* extension) {
    XcbEventConnection result;
    const QByteArray name = displayName.toLocal8Bit();
    XcbConnection connection(xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr));
    if (xcb_connection_has_error(connection.get())) {
        return result;
    }
    const xcb_query_extension_reply_t* reply = xcb_get_extension_data(connection.get(), extension);
    if (!reply || !reply->present) {
        return result;
    }
    result.root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    result.extension = reply;
    result.connection = std::move(connection);
    return result;
}

}  // namespace corvane
