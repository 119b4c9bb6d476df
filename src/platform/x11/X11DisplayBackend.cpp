#include "platform/x11/X11DisplayBackend.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <chrono>
#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "platform/x11/RandrChangeFeed.h"
#include "platform/x11/RandrLayout.h"
#include "platform/x11/RandrReader.h"
#include "platform/x11/XConnection.h"

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

// How long one read may serve the calls that follow it. A snapshot's calls
// come within microseconds of each other.
constexpr auto kReadLifetime = std::chrono::milliseconds(250);

// The calls a read can serve. A snapshot begins with the two listing calls
// and makes each call once (the per-display ones once per display), so a
// call repeated on the same read belongs to a later snapshot or a switch,
// and reads afresh. A listing call also reads afresh unless the other
// listing call began the read: a snapshot never starts on what was read
// for a switch.
enum class Asker { screens, onlineList, main, currentMode, allModes };

bool isListing(Asker asker) {
    return asker == Asker::screens || asker == Asker::onlineList;
}

}  // namespace

struct X11DisplayBackend::State {
    struct Read {
        x11::RandrLayout layout;
        std::vector<x11::OnlineDisplay> online;
        Clock::time_point at;
        Asker origin;
        std::set<std::pair<Asker, DisplayId>> served;
        // The feed's count of events when the read began; absent: no feed.
        std::optional<std::uint64_t> changeCount;
        std::uint64_t number = 0;
        // Each display's modes, worked out once per read.
        std::map<DisplayId, std::vector<PlatformMode>> modesOf;
    };

    Options options;
    std::unique_ptr<x11::XConnection> connection;
    std::optional<Read> read;
    // Outlives `read`: what the next read asks for up front.
    x11::LayoutShape shape;
    bool probeNext = true;
    Atom markerAtom = 0;
    std::uint64_t reads = 0;
    // The display each online output showed at the latest read, for
    // naming the displays on outputs that left since.
    std::map<std::uint32_t, DisplayId> displayOnOutput;
    std::set<std::uint32_t> departedOutputs;
    std::set<DisplayId> departedDisplays;

    bool connected() const { return connection && !connection->isLost(); }

    std::optional<x11::RandrLayout> readLayout() {
        if (!connected()) {
            return std::nullopt;
        }
        const x11::ResourceQuery query =
            probeNext ? x11::ResourceQuery::probe : x11::ResourceQuery::current;
        std::optional<x11::RandrLayout> layout =
            x11::readLayout(*connection, query, x11::CrtcGeometry::placement, &shape);
        // Some drivers report nothing until they have probed once.
        if (layout && query == x11::ResourceQuery::current && layout->outputs.empty()) {
            layout = x11::readLayout(*connection, x11::ResourceQuery::probe,
                                     x11::CrtcGeometry::placement, &shape);
        }
        if (layout) {
            probeNext = false;
        }
        return layout;
    }

    Read* refresh(Asker origin) {
        // Taken before the layout is read, so that what they tell of
        // happened before the read.
        std::optional<std::uint64_t> changeCount;
        if (options.changeFeed) {
            changeCount = options.changeFeed->changeCount();
            for (std::uint32_t output : options.changeFeed->takeDepartedOutputs()) {
                departedOutputs.insert(output);
            }
        }
        std::optional<x11::RandrLayout> layout = readLayout();
        if (!layout) {
            read.reset();
            return nullptr;
        }
        std::vector<x11::OnlineDisplay> online = x11::onlineDisplays(*layout);
        for (std::uint32_t output : departedOutputs) {
            if (const auto found = displayOnOutput.find(output); found != displayOnOutput.end()) {
                departedDisplays.insert(found->second);
            }
        }
        departedOutputs.clear();
        displayOnOutput.clear();
        for (const x11::OnlineDisplay& display : online) {
            displayOnOutput[display.output] = display.id;
        }
        read = Read{std::move(*layout),
                    std::move(online),
                    Clock::now(),
                    origin,
                    {},
                    changeCount,
                    ++reads,
                    {}};
        return &*read;
    }

    // True when the feed has seen no event since `read` began: on a live
    // connection the event stream misses nothing, so the read still holds.
    bool unchangedSince(const Read& earlier) {
        if (!earlier.changeCount || !connected()) {
            return false;
        }
        const std::optional<std::uint64_t> now = options.changeFeed->changeCount();
        return now == earlier.changeCount;
    }

    Read* readFor(Asker asker, DisplayId display = 0) {
        if (read) {
            const bool reusable = Clock::now() - read->at < kReadLifetime &&
                                  read->served.count({asker, display}) == 0 &&
                                  (!isListing(asker) || isListing(read->origin));
            if (!reusable && unchangedSince(*read)) {
                read->served.clear();
                read->origin = asker;
                read->at = Clock::now();
            } else if (!reusable) {
                read.reset();
            }
        }
        if (!read && !refresh(asker)) {
            return nullptr;
        }
        read->served.insert({asker, display});
        return &*read;
    }

    static const x11::OnlineDisplay* find(const Read& read, DisplayId id) {
        for (const x11::OnlineDisplay& display : read.online) {
            if (display.id == id) {
                return &display;
            }
        }
        return nullptr;
    }

    std::int32_t switchMode(DisplayId id, std::uint32_t modeXid);
    x11::TrapResult setScreenSize(const x11::ScreenSize& size);
};

x11::TrapResult X11DisplayBackend::State::setScreenSize(const x11::ScreenSize& size) {
    Display* display = connection->display();
    // The physical size keeps the resolution in dots per inch; the server
    // refuses a size of 0 mm.
    const auto millimetres = [](std::uint32_t pixels, double perPixel) {
        return std::max(1, static_cast<int>(std::lround(pixels * perPixel)));
    };
    return connection->trapped([&] {
        XRRSetScreenSize(display, connection->root(), static_cast<int>(size.width),
                         static_cast<int>(size.height),
                         millimetres(size.width, connection->millimetresPerPixelX()),
                         millimetres(size.height, connection->millimetresPerPixelY()));
    });
}

std::int32_t X11DisplayBackend::State::switchMode(DisplayId id, std::uint32_t modeXid) {
    Display* display = connection->display();
    const Window marker = options.changeFeed ? options.changeFeed->ownChangeMarkerWindow() : 0;
    // Nobody else may change the configuration between the read below and
    // the last request of the plan. The marks go out under the grab too,
    // so the events between them in the monitor's stream are all ours. A
    // mark that fails (the monitor's window is gone) costs only the mark.
    const x11::TrapResult grabbed = connection->trapped([&] {
        XGrabServer(display);
        if (marker != 0) {
            if (markerAtom == 0) {
                markerAtom = XInternAtom(display, x11::kOwnChangeMarkerAtom, False);
            }
            const long on = 1;
            XChangeProperty(display, marker, markerAtom, XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&on), 1);
        }
    });
    if (grabbed.connectionLost) {
        return kSwitchDisplayGone;
    }
    const auto ungrab = [&] {
        connection->trapped([&] {
            if (marker != 0) {
                XDeleteProperty(display, marker, markerAtom);
            }
            XUngrabServer(display);
        });
    };

    const std::optional<x11::RandrLayout> layout =
        x11::readLayout(*connection, x11::ResourceQuery::current, x11::CrtcGeometry::full, &shape);
    if (!layout) {
        ungrab();
        return kSwitchDisplayGone;
    }
    const std::vector<x11::OnlineDisplay> online = x11::onlineDisplays(*layout);
    const x11::OnlineDisplay* target = nullptr;
    for (const x11::OnlineDisplay& each : online) {
        if (each.id == id) {
            target = &each;
        }
    }
    if (!target) {
        ungrab();
        return kSwitchDisplayGone;
    }
    const std::optional<x11::ModeSwitchPlan> plan =
        x11::planModeSwitch(*layout, target->output, modeXid);
    if (!plan) {
        ungrab();
        return kSwitchModeGone;
    }

    if (plan->growTo) {
        const x11::TrapResult grown = setScreenSize(*plan->growTo);
        if (grown.errorCode != 0 || grown.connectionLost) {
            ungrab();
            return grown.connectionLost ? kSwitchDisplayGone : grown.errorCode;
        }
    }

    // libXrandr takes the configuration timestamp from the resources
    // structure; the read above, made under the grab, is current.
    XRRScreenResources resources{};
    resources.timestamp = layout->timestamp;
    resources.configTimestamp = layout->configTimestamp;
    std::vector<RROutput> outputs(plan->outputs.begin(), plan->outputs.end());
    Status status = RRSetConfigSuccess;
    const x11::TrapResult set = connection->trapped([&] {
        status = XRRSetCrtcConfig(display, &resources, plan->crtc, CurrentTime, plan->x, plan->y,
                                  plan->mode, plan->rotation, outputs.data(),
                                  static_cast<int>(outputs.size()));
    });
    if (set.connectionLost) {
        return kSwitchDisplayGone;
    }
    if (set.errorCode != 0 || status != RRSetConfigSuccess) {
        if (plan->growTo) {
            setScreenSize(layout->screen);
        }
        ungrab();
        return set.errorCode != 0 ? set.errorCode : static_cast<std::int32_t>(status);
    }

    // The display already shows the new mode; a screen left larger than it
    // needs to be costs memory, not the switch, so a refusal here is not
    // reported as a failed switch.
    if (plan->shrinkTo) {
        setScreenSize(*plan->shrinkTo);
    }
    ungrab();
    return 0;
}

X11DisplayBackend::X11DisplayBackend() : X11DisplayBackend(Options{}) {}

X11DisplayBackend::X11DisplayBackend(Options options) : state_(std::make_unique<State>()) {
    state_->options = std::move(options);
    state_->connection = x11::XConnection::open(state_->options.displayName);
}

X11DisplayBackend::~X11DisplayBackend() = default;

void X11DisplayBackend::setChangeFeed(x11::RandrChangeFeed* feed) {
    state_->options.changeFeed = feed;
    state_->read.reset();
}

bool X11DisplayBackend::isConnected() const {
    return state_->connected();
}

void X11DisplayBackend::requestProbe() {
    state_->probeNext = true;
    state_->read.reset();
}

std::optional<std::vector<DisplayId>> X11DisplayBackend::onlineDisplays() {
    const State::Read* read = state_->readFor(Asker::onlineList);
    if (!read) {
        return std::nullopt;
    }
    std::vector<DisplayId> ids;
    for (const x11::OnlineDisplay& display : read->online) {
        ids.push_back(display.id);
    }
    return ids;
}

DisplayId X11DisplayBackend::mainDisplay() {
    const State::Read* read = state_->readFor(Asker::main);
    if (!read) {
        return 0;
    }
    const x11::OnlineDisplay* main = x11::mainDisplay(read->layout, read->online);
    return main ? main->id : 0;
}

std::optional<PlatformMode> X11DisplayBackend::currentMode(DisplayId display) {
    const State::Read* read = state_->readFor(Asker::currentMode, display);
    const x11::OnlineDisplay* online = read ? State::find(*read, display) : nullptr;
    if (!online) {
        return std::nullopt;
    }
    return x11::currentMode(read->layout, *online);
}

std::vector<PlatformMode> X11DisplayBackend::allModes(DisplayId display) {
    State::Read* read = state_->readFor(Asker::allModes, display);
    const x11::OnlineDisplay* online = read ? State::find(*read, display) : nullptr;
    const x11::RandrOutput* output = online ? read->layout.findOutput(online->output) : nullptr;
    if (!output) {
        return {};
    }
    auto cached = read->modesOf.find(display);
    if (cached == read->modesOf.end()) {
        cached = read->modesOf.emplace(display, x11::outputModes(read->layout, *output)).first;
    }
    return cached->second;
}

std::optional<std::uint64_t> X11DisplayBackend::configurationStamp() {
    if (state_->read && state_->unchangedSince(*state_->read)) {
        return state_->read->number;
    }
    return std::nullopt;
}

std::int32_t X11DisplayBackend::switchMode(DisplayId display, const PlatformMode& mode) {
    if (!state_->connected()) {
        return kSwitchDisplayGone;
    }
    const std::int32_t code = state_->switchMode(display, static_cast<std::uint32_t>(mode.handle));
    // Whatever happened, the configuration read before is out of date.
    state_->read.reset();
    return code;
}

std::vector<ScreenDescription> X11DisplayBackend::screens() {
    const State::Read* read = state_->readFor(Asker::screens);
    if (!read) {
        return {};
    }
    std::vector<ScreenDescription> screens;
    for (const x11::OnlineDisplay& display : read->online) {
        // Without a monitor name there is nothing to describe, and the
        // display gets its fall-back name.
        if (!display.edid || display.edid->monitorName.isEmpty()) {
            continue;
        }
        ScreenDescription screen;
        screen.displayId = display.id;
        screen.name = display.edid->monitorName;
        if (state_->options.scaleForOutput) {
            screen.backingScaleFactor =
                state_->options.scaleForOutput(display.outputName).value_or(1.0);
        }
        screens.push_back(std::move(screen));
    }
    return screens;
}

std::vector<DisplayId> X11DisplayBackend::takeDepartedDisplays() {
    std::vector<DisplayId> departed(state_->departedDisplays.begin(),
                                    state_->departedDisplays.end());
    state_->departedDisplays.clear();
    return departed;
}

}  // namespace corvane
