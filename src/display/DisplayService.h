#pragma once

#include <QCollator>
#include <optional>
#include <vector>

#include "display/DisplayBackend.h"
#include "display/DisplayMode.h"
#include "display/DisplayServiceError.h"

namespace corvane {

// Enumerates online displays with their usable, ordered, de-duplicated
// modes, and switches a display's mode. Keeps nothing between calls: every
// call reads the backend afresh.
class DisplayService {
  public:
    explicit DisplayService(DisplayBackend& backend);

    // Every online display that has a current mode, main display first,
    // then by name as a file browser orders them. Never fails: a platform
    // failure gives fewer (or no) displays.
    std::vector<DisplayInfo> snapshot() const;

    // The same, but nullopt when the platform could not list its displays,
    // which is not the same as having none.
    std::optional<std::vector<DisplayInfo>> readSnapshot() const;

    // Displays that went offline since the previous call, even if they
    // are back in the latest snapshot.
    std::vector<DisplayId> takeDepartedDisplays() const;

    // The backend's stamp of the configuration it last read: while it
    // stays the same, a new snapshot would equal the previous one.
    std::optional<std::uint64_t> configurationStamp() const;

    // Switches `display` to the usable platform mode that `mode` names: the
    // one with its non-zero identifier, else, among those of its size whose
    // rate is within 0.1 Hz of it, the one whose rate is nearest (the
    // platform's first on a tie). Returns the reason when nothing was
    // switched.
    [[nodiscard]] std::optional<DisplayServiceError> setMode(const DisplayModeInfo& mode,
                                                             DisplayId display) const;

    // setMode(), except that a display already in the mode setMode() would
    // choose is left alone.
    struct Restoration {
        std::optional<DisplayServiceError> error;
        bool switched = false;
    };
    Restoration restoreMode(const DisplayModeInfo& mode, DisplayId display) const;

  private:
    Restoration switchTo(const DisplayModeInfo& mode, DisplayId display, bool unlessCurrent) const;

    DisplayBackend* backend_;
    QCollator nameCollator_;
};

// The service's mode rules, exposed for the tests of the ordering alone.
// Sorts by width, height, pixel width, pixel height and rate, keeping the
// platform's order among equal modes.
void sortModes(std::vector<DisplayModeInfo>& modes);

// Drops near-duplicates (the first in mode order survives), then adds the
// current mode back when no kept mode matches it.
std::vector<DisplayModeInfo> deduplicatedModes(std::vector<DisplayModeInfo> modes,
                                               const DisplayModeInfo& currentMode);

}  // namespace corvane
