#pragma once

#include <map>
#include <optional>
#include <vector>

#include "display/DisplayBackend.h"

namespace corvane::testing {

// A display configuration given as data, for tests of the logic above the
// platform. Every query can be made to fail; switches are recorded.
class FakeDisplayBackend : public DisplayBackend {
  public:
    struct Display {
        DisplayId id = 0;
        std::vector<PlatformMode> modes;             // platform order, usable or not
        std::optional<std::uint64_t> currentHandle;  // none: no current mode
        // A current mode that is not in `modes`, as some platforms report.
        std::optional<PlatformMode> unlistedCurrentMode;
    };

    // Makes `display` online (appended to the online list, or replaced in
    // place when its identifier is online already).
    void plug(Display display);
    void unplug(DisplayId id);
    // Reports that the display left and came back since the last look.
    void noteDeparture(DisplayId id) { departed_.push_back(id); }
    void setMain(DisplayId id) { main_ = id; }
    // Changes the current mode from outside, as another program would.
    void switchExternally(DisplayId id, std::uint64_t handle);
    void setScreens(std::vector<ScreenDescription> screens) { screens_ = std::move(screens); }

    // Failure switches.
    void failOnlineList(bool fail) { failOnlineList_ = fail; }
    void failSwitchesWith(std::int32_t code) { switchError_ = code; }
    void hideModesOf(DisplayId id) { modesHidden_[id] = true; }

    const std::vector<std::pair<DisplayId, PlatformMode>>& switchRequests() const {
        return switchRequests_;
    }
    std::optional<PlatformMode> currentModeOf(DisplayId id) { return currentMode(id); }

    std::optional<std::vector<DisplayId>> onlineDisplays() override;
    DisplayId mainDisplay() override { return main_; }
    std::optional<PlatformMode> currentMode(DisplayId display) override;
    std::vector<PlatformMode> allModes(DisplayId display) override;
    std::int32_t switchMode(DisplayId display, const PlatformMode& mode) override;
    std::vector<ScreenDescription> screens() override { return screens_; }
    std::vector<DisplayId> takeDepartedDisplays() override { return std::move(departed_); }

  private:
    Display* find(DisplayId id);

    std::vector<Display> displays_;
    DisplayId main_ = 0;
    std::vector<ScreenDescription> screens_;
    bool failOnlineList_ = false;
    std::int32_t switchError_ = 0;
    std::map<DisplayId, bool> modesHidden_;
    std::vector<std::pair<DisplayId, PlatformMode>> switchRequests_;
    std::vector<DisplayId> departed_;
};

// A usable platform mode whose handle is its identifier.
PlatformMode usableMode(std::int32_t id, std::int64_t width, std::int64_t height, double rate,
                        std::int64_t pixelWidth = 0, std::int64_t pixelHeight = 0);

}  // namespace corvane::testing
