#include "platform/mutter/MutterDisplayBackend.h"

#include <algorithm>
#include <iterator>

#include "platform/mutter/MutterDisplayChangeMonitor.h"

namespace corvane {

using namespace mutter;

MutterDisplayBackend::MutterDisplayBackend(QDBusConnection connection, QObject* parent)
    : QObject(parent),
      client_(connection),
      ownerWatcher_(kDisplayConfigService, connection, QDBusServiceWatcher::WatchForOwnerChange) {
    told_ = connection.connect(kDisplayConfigService, kDisplayConfigPath, kDisplayConfigInterface,
                               QStringLiteral("MonitorsChanged"), this, SLOT(forgetState()));
    connect(&ownerWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &MutterDisplayBackend::forgetState);
}

MutterDisplayBackend::~MutterDisplayBackend() = default;

void MutterDisplayBackend::forgetState() {
    read_.reset();
}

const MutterDisplayBackend::Read* MutterDisplayBackend::read() {
    if (read_ && told_) {
        return &*read_;
    }
    std::variant<DisplayConfigState, CallFailure> state = client_.currentState();
    DisplayConfigState* current = std::get_if<DisplayConfigState>(&state);
    if (!current) {
        read_.reset();
        return nullptr;
    }
    std::vector<OnlineMonitor> online = onlineMonitors(*current);
    read_ = Read{std::move(*current), std::move(online)};
    return &*read_;
}

const Monitor* MutterDisplayBackend::findMonitor(DisplayId display) {
    const Read* current = read();
    if (!current) {
        return nullptr;
    }
    for (const OnlineMonitor& each : current->online) {
        if (each.id == display) {
            return &current->state.monitors[each.monitor];
        }
    }
    return nullptr;
}

std::optional<std::vector<DisplayId>> MutterDisplayBackend::onlineDisplays() {
    const Read* current = read();
    if (!current) {
        return std::nullopt;
    }
    std::vector<DisplayId> ids;
    for (const OnlineMonitor& each : current->online) {
        ids.push_back(each.id);
    }
    return ids;
}

DisplayId MutterDisplayBackend::mainDisplay() {
    const Read* current = read();
    const OnlineMonitor* main = current ? mainMonitor(current->state, current->online) : nullptr;
    return main ? main->id : 0;
}

std::optional<PlatformMode> MutterDisplayBackend::currentMode(DisplayId display) {
    const Monitor* monitor = findMonitor(display);
    const Mode* mode = monitor ? monitor->currentMode() : nullptr;
    if (!mode) {
        return std::nullopt;
    }
    return platformMode(*mode);
}

std::vector<PlatformMode> MutterDisplayBackend::allModes(DisplayId display) {
    std::vector<PlatformMode> modes;
    if (const Monitor* monitor = findMonitor(display)) {
        std::transform(monitor->modes.begin(), monitor->modes.end(), std::back_inserter(modes),
                       [](const Mode& mode) { return platformMode(mode); });
    }
    return modes;
}

std::int32_t MutterDisplayBackend::switchMode(DisplayId display, const PlatformMode& mode) {
    // Planned on a fresh read: Mutter refuses a configuration planned on an
    // older serial.
    forgetState();
    std::int32_t code = kSwitchDisplayGone;
    if (const Monitor* monitor = findMonitor(display)) {
        const auto target = std::find_if(
            monitor->modes.begin(), monitor->modes.end(),
            [&](const Mode& candidate) { return platformMode(candidate).handle == mode.handle; });
        const std::optional<MonitorsConfig> config =
            target == monitor->modes.end()
                ? std::nullopt
                : planModeSwitch(read_->state, monitor->key.connector, target->id);
        code = kSwitchModeGone;
        if (config) {
            if (changeMonitor_) {
                changeMonitor_->beginOwnChange();
            }
            const std::optional<CallFailure> failure = client_.apply(*config);
            if (changeMonitor_) {
                changeMonitor_->endOwnChange();
            }
            code = failure ? failure->code : 0;
        }
    }
    // Whatever happened, what was read is out of date.
    forgetState();
    return code;
}

std::vector<ScreenDescription> MutterDisplayBackend::screens() {
    const Read* current = read();
    return current ? mutter::screens(current->state, current->online)
                   : std::vector<ScreenDescription>{};
}

}  // namespace corvane
