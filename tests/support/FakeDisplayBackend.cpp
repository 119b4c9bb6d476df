#include "support/FakeDisplayBackend.h"

#include <algorithm>

namespace corvane::testing {

PlatformMode usableMode(std::int32_t id, std::int64_t width, std::int64_t height, double rate,
                        std::int64_t pixelWidth, std::int64_t pixelHeight) {
    PlatformMode mode;
    mode.info = {
        id,   width, height, pixelWidth ? pixelWidth : width, pixelHeight ? pixelHeight : height,
        rate, 0};
    mode.usableForDesktop = true;
    mode.handle = static_cast<std::uint64_t>(id);
    return mode;
}

FakeDisplayBackend::Display* FakeDisplayBackend::find(DisplayId id) {
    const auto found = std::find_if(displays_.begin(), displays_.end(),
                                    [id](const Display& display) { return display.id == id; });
    return found == displays_.end() ? nullptr : &*found;
}

void FakeDisplayBackend::plug(Display display) {
    if (Display* existing = find(display.id)) {
        *existing = std::move(display);
    } else {
        displays_.push_back(std::move(display));
    }
}

void FakeDisplayBackend::unplug(DisplayId id) {
    std::erase_if(displays_, [id](const Display& display) { return display.id == id; });
}

void FakeDisplayBackend::switchExternally(DisplayId id, std::uint64_t handle) {
    if (Display* display = find(id)) {
        display->currentHandle = handle;
        display->unlistedCurrentMode.reset();
    }
}

std::optional<std::vector<DisplayId>> FakeDisplayBackend::onlineDisplays() {
    if (failOnlineList_) {
        return std::nullopt;
    }
    std::vector<DisplayId> ids;
    for (const Display& display : displays_) {
        ids.push_back(display.id);
    }
    return ids;
}

std::optional<PlatformMode> FakeDisplayBackend::currentMode(DisplayId id) {
    const Display* display = find(id);
    if (!display) {
        return std::nullopt;
    }
    if (display->unlistedCurrentMode) {
        return display->unlistedCurrentMode;
    }
    if (!display->currentHandle) {
        return std::nullopt;
    }
    for (const PlatformMode& mode : display->modes) {
        if (mode.handle == *display->currentHandle) {
            return mode;
        }
    }
    return std::nullopt;
}

std::vector<PlatformMode> FakeDisplayBackend::allModes(DisplayId id) {
    const Display* display = find(id);
    if (!display || modesHidden_[id]) {
        return {};
    }
    return display->modes;
}

std::int32_t FakeDisplayBackend::switchMode(DisplayId id, const PlatformMode& mode) {
    switchRequests_.emplace_back(id, mode);
    if (switchError_ != 0) {
        return switchError_;
    }
    Display* display = find(id);
    if (!display) {
        return -1;
    }
    display->currentHandle = mode.handle;
    display->unlistedCurrentMode.reset();
    return 0;
}

}  // namespace corvane::testing
