#include "platform/x11/X11DisplayChangeMonitor.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/x11/XcbEventConnection.h"

namespace corvane {

namespace {

// However long a burst lasts, it is reported after this long.
constexpr std::chrono::milliseconds kLongestDelay{1000};

constexpr std::uint16_t kSelectedEvents =
    XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
    XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_PROPERTY;

struct FreeEvent {
    void operator()(xcb_generic_event_t* event) const { std::free(event); }
};

}  // namespace

struct X11DisplayChangeMonitor::State {
    XcbConnection connection;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer quiet;
    QElapsedTimer burst;
    std::uint8_t firstRandrEvent = 0;
    xcb_window_t marker = 0;
    xcb_atom_t markerAtom = 0;
    // Between the backend's two marks: the events are its own.
    bool insideOwnChange = false;
    std::uint64_t changes = 0;
    std::set<std::uint32_t> departed;

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
        const auto versionCookie = xcb_randr_query_version(xcb, 1, 3);
        const auto atomCookie = xcb_intern_atom(xcb, 0, std::strlen(x11::kOwnChangeMarkerAtom),
                                                x11::kOwnChangeMarkerAtom);
        xcb_randr_query_version_reply_t* version =
            xcb_randr_query_version_reply(xcb, versionCookie, nullptr);
        const bool recentEnough =
            version && (version->major_version > 1 || version->minor_version >= 2);
        std::free(version);
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(xcb, atomCookie, nullptr);
        markerAtom = atom ? atom->atom : 0;
        std::free(atom);
        if (!recentEnough || markerAtom == 0) {
            return false;
        }
        // An unmapped window of our own that only the backend writes to.
        marker = xcb_generate_id(xcb);
        const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(xcb, 0, marker, randr.root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &eventMask);
        xcb_generic_error_t* error = xcb_request_check(
            xcb, xcb_randr_select_input_checked(xcb, randr.root, kSelectedEvents));
        const bool selected = error == nullptr;
        std::free(error);
        return selected;
    }

    // Counts and sorts one event; true when it is a change from outside.
    bool take(const xcb_generic_event_t* event) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (property->window == marker && property->atom == markerAtom) {
                insideOwnChange = property->state == XCB_PROPERTY_NEW_VALUE;
            }
            return false;
        }
        if (type == firstRandrEvent + XCB_RANDR_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_randr_notify_event_t*>(event);
            const xcb_randr_output_change_t& change = notify->u.oc;
            // Unplugged, or turned off: the display has left, even if it is
            // back before anyone looks.
            if (notify->subCode == XCB_RANDR_NOTIFY_OUTPUT_CHANGE &&
                (change.crtc == 0 || change.connection != XCB_RANDR_CONNECTION_CONNECTED)) {
                departed.insert(change.output);
            }
        } else if (type != firstRandrEvent + XCB_RANDR_SCREEN_CHANGE_NOTIFY) {
            return false;
        }
        ++changes;
        return !insideOwnChange;
    }
};

X11DisplayChangeMonitor::X11DisplayChangeMonitor(const QString& displayName, QObject* parent)
    : QObject(parent), state_(std::make_unique<State>()) {
    state_->quiet.setSingleShot(true);
    state_->quiet.setInterval(kDefaultQuietPeriod);
    connect(&state_->quiet, &QTimer::timeout, this, &X11DisplayChangeMonitor::report);
    if (!state_->connect(displayName)) {
        state_->connection.reset();
        state_->marker = 0;
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

std::optional<std::uint64_t> X11DisplayChangeMonitor::changeCount() {
    if (state_->connection) {
        readEvents();
    }
    if (!state_->connection) {
        return std::nullopt;
    }
    return state_->changes;
}

std::vector<std::uint32_t> X11DisplayChangeMonitor::takeDepartedOutputs() {
    std::vector<std::uint32_t> outputs(state_->departed.begin(), state_->departed.end());
    state_->departed.clear();
    return outputs;
}

std::uint32_t X11DisplayChangeMonitor::ownChangeMarkerWindow() const {
    return state_->connection ? state_->marker : 0;
}

void X11DisplayChangeMonitor::readEvents() {
    xcb_connection_t* xcb = state_->connection.get();
    bool changed = false;
    while (std::unique_ptr<xcb_generic_event_t, FreeEvent> event{xcb_poll_for_event(xcb)}) {
        changed = state_->take(event.get()) || changed;
    }
    if (xcb_connection_has_error(xcb)) {
        disconnectFromServer();
        return;
    }
    if (changed) {
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
