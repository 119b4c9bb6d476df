#include "platform/x11/X11DisplayChangeMonitor.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>

#include "platform/x11/XcbEventConnection.h"

namespace corvane {

namespace {

// However long a burst lasts, it is reported after this long.
constexpr std::chrono::milliseconds kLongestDelay{1000};

constexpr std::uint16_t kSelectedEvents =
    XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
    XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_PROPERTY;

}  // namespace

struct X11DisplayChangeMonitor::State {
    XcbConnection connection;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer quiet;
    QElapsedTimer burst;
    std::uint8_t firstRandrEvent = 0;
    int ownChanges = 0;

    // True for the RandR events this monitor selected; the connection
    // receives no others.
    bool isRandrEvent(const xcb_generic_event_t* event) const {
        const std::uint8_t type = event->response_type & 0x7f;
        return type == firstRandrEvent + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
               type == firstRandrEvent + XCB_RANDR_NOTIFY;
    }

    bool connect(const QString& displayName) {
        XcbEventConnection randr = connectForEvents(displayName, &xcb_randr_id);
        connection = std::move(randr.connection);
        xcb_connection_t* xcb = connection.get();
        if (!xcb) {
            return false;
        }
        firstRandrEvent = randr.extension->first_event;
        // CRTC and output events arrived with RandR 1.2; the server only
        // sends them to clients that announce at least that version.
        xcb_randr_query_version_reply_t* version =
            xcb_randr_query_version_reply(xcb, xcb_randr_query_version(xcb, 1, 3), nullptr);
        const bool recentEnough =
            version && (version->major_version > 1 || version->minor_version >= 2);
        std::free(version);
        if (!recentEnough) {
            return false;
        }
        xcb_generic_error_t* error = xcb_request_check(
            xcb, xcb_randr_select_input_checked(xcb, randr.root, kSelectedEvents));
        const bool selected = error == nullptr;
        std::free(error);
        return selected;
    }
};

X11DisplayChangeMonitor::X11DisplayChangeMonitor(const QString& displayName, QObject* parent)
    : QObject(parent), state_(std::make_unique<State>()) {
    state_->quiet.setSingleShot(true);
    state_->quiet.setInterval(kDefaultQuietPeriod);
    connect(&state_->quiet, &QTimer::timeout, this, &X11DisplayChangeMonitor::report);
    if (!state_->connect(displayName)) {
        state_->connection.reset();
        return;
    }
    state_->notifier = std::make_unique<QSocketNotifier>(
        xcb_get_file_descriptor(state_->connection.get()), QSocketNotifier::Read);
    connect(state_->notifier.get(), &QSocketNotifier::activated, this,
            &X11DisplayChangeMonitor::readEvents);
}

X11DisplayChangeMonitor::~X11DisplayChangeMonitor() = default;

bool X11DisplayChangeMonitor::isConnected() const {
    return state_->connection != nullptr;
}

void X11DisplayChangeMonitor::setQuietPeriod(std::chrono::milliseconds period) {
    state_->quiet.setInterval(period);
}

void X11DisplayChangeMonitor::beginOwnChange() {
    ++state_->ownChanges;
}

void X11DisplayChangeMonitor::endOwnChange() {
    if (state_->ownChanges == 0) {
        return;
    }
    if (state_->ownChanges == 1 && state_->connection) {
        // The server sent the events of the change before it answered the
        // change; a round trip made now brings all of them in.
        xcb_connection_t* xcb = state_->connection.get();
        std::free(xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), nullptr));
        while (xcb_generic_event_t* event = xcb_poll_for_event(xcb)) {
            std::free(event);
        }
        if (xcb_connection_has_error(xcb)) {
            disconnectFromServer();
        }
    }
    --state_->ownChanges;
}

void X11DisplayChangeMonitor::readEvents() {
    xcb_connection_t* xcb = state_->connection.get();
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(xcb)) {
        changed = changed || state_->isRandrEvent(event);
        std::free(event);
    }
    if (xcb_connection_has_error(xcb)) {
        disconnectFromServer();
        return;
    }
    if (changed && state_->ownChanges == 0) {
        noteChange();
    }
}

void X11DisplayChangeMonitor::noteChange() {
    if (!state_->burst.isValid()) {
        state_->burst.start();
    }
    if (std::chrono::milliseconds(state_->burst.elapsed()) >= kLongestDelay) {
        report();
        return;
    }
    state_->quiet.start();
}

void X11DisplayChangeMonitor::report() {
    state_->quiet.stop();
    state_->burst.invalidate();
    emit displaysChanged();
}

void X11DisplayChangeMonitor::disconnectFromServer() {
    if (!state_->connection) {
        return;
    }
    state_->notifier.reset();
    state_->connection.reset();
    state_->quiet.stop();
    state_->burst.invalidate();
    emit connectionLost();
}

}  // namespace corvane
