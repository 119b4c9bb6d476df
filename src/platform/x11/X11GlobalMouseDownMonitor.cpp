#include "platform/x11/X11GlobalMouseDownMonitor.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QSocketNotifier>
#include <cstdlib>

#include "platform/x11/XcbEventConnection.h"

namespace corvane {

namespace {

bool isScrollButton(std::uint32_t button) {
    return button >= 4 && button <= 7;
}

}  // namespace

struct X11GlobalMouseDownMonitor::State {
    XcbConnection connection;
    std::unique_ptr<QSocketNotifier> notifier;
    xcb_window_t root = 0;
    std::uint8_t xinputOpcode = 0;
    std::function<void()> onMouseDown;

    bool connect(const QString& displayName) {
        XcbEventConnection xinput = connectForEvents(displayName, &xcb_input_id);
        connection = std::move(xinput.connection);
        xcb_connection_t* xcb = connection.get();
        if (!xcb) {
            return false;
        }
        xinputOpcode = xinput.extension->major_opcode;
        root = xinput.root;
        // Since XInput 2.1 raw events reach every client that asks, also
        // while another client holds a grab.
        xcb_input_xi_query_version_reply_t* version =
            xcb_input_xi_query_version_reply(xcb, xcb_input_xi_query_version(xcb, 2, 2), nullptr);
        const bool recentEnough =
            version && (version->major_version > 2 ||
                        (version->major_version == 2 && version->minor_version >= 1));
        std::free(version);
        return recentEnough;
    }

    // True when the event is a press of a button other than a wheel.
    bool isMouseDown(const xcb_generic_event_t* event) const {
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC) {
            return false;
        }
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (generic->extension != xinputOpcode ||
            generic->event_type != XCB_INPUT_RAW_BUTTON_PRESS) {
            return false;
        }
        const auto* press = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
        return !isScrollButton(press->detail);
    }
};

X11GlobalMouseDownMonitor::X11GlobalMouseDownMonitor(const QString& displayName, QObject* parent)
    : QObject(parent), state_(std::make_unique<State>()) {
    if (!state_->connect(displayName)) {
        state_->connection.reset();
        return;
    }
    state_->notifier = std::make_unique<QSocketNotifier>(
        xcb_get_file_descriptor(state_->connection.get()), QSocketNotifier::Read);
    connect(state_->notifier.get(), &QSocketNotifier::activated, this,
            &X11GlobalMouseDownMonitor::readEvents);
}

X11GlobalMouseDownMonitor::~X11GlobalMouseDownMonitor() = default;

bool X11GlobalMouseDownMonitor::isConnected() const {
    return state_->connection != nullptr;
}

void X11GlobalMouseDownMonitor::watch(std::function<void()> onMouseDown) {
    state_->onMouseDown = std::move(onMouseDown);
    select(true);
}

void X11GlobalMouseDownMonitor::stopWatching() {
    state_->onMouseDown = nullptr;
    select(false);
}

void X11GlobalMouseDownMonitor::select(bool presses) {
    xcb_connection_t* xcb = state_->connection.get();
    if (!xcb) {
        return;
    }
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                presses ? std::uint32_t{XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS} : 0U};
    xcb_input_xi_select_events(xcb, state_->root, 1, &selection.head);
    xcb_flush(xcb);
    if (xcb_connection_has_error(xcb)) {
        disconnectFromServer();
    }
}

void X11GlobalMouseDownMonitor::readEvents() {
    xcb_connection_t* xcb = state_->connection.get();
    bool pressed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(xcb)) {
        pressed = pressed || state_->isMouseDown(event);
        std::free(event);
    }
    if (xcb_connection_has_error(xcb)) {
        disconnectFromServer();
        return;
    }
    // Events that were on their way when watching stopped are dropped.
    if (pressed && state_->onMouseDown) {
        const std::function<void()> report = state_->onMouseDown;
        report();
    }
}

void X11GlobalMouseDownMonitor::disconnectFromServer() {
    state_->notifier.reset();
    state_->connection.reset();
}

}  // namespace corvane
