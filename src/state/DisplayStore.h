#pragma once

#include <QString>
#include <optional>
#include <set>
#include <vector>

#include "display/DisplayBackend.h"
#include "display/DisplayMode.h"
#include "display/DisplayService.h"
#include "display/DisplayServiceError.h"
#include "display/MenuBarStyle.h"
#include "state/SettingsStore.h"

namespace corvane {

// The application's state: the latest display snapshot, the selected
// display, the user's settings and the saved mode of each display, with the
// re-application of saved modes when displays appear. Readers pull values
// after each operation; nothing is announced. Main thread only.
class DisplayStore {
  public:
    // Reads the settings and takes the first snapshot. Saved modes are not
    // applied here: the caller decides when (applySavedModesIfNeeded()).
    DisplayStore(DisplayBackend& backend, SettingsStore& settings);

    DisplayStore(const DisplayStore&) = delete;
    DisplayStore& operator=(const DisplayStore&) = delete;

    const std::vector<DisplayInfo>& displays() const { return displays_; }
    std::optional<DisplayId> selectedDisplayID() const { return selectedDisplayID_; }
    const std::optional<QString>& statusMessage() const { return statusMessage_; }

    // The selected display when it is online, else the first display.
    std::optional<DisplayInfo> selectedDisplay() const;

    bool autoApplyOnLaunch() const { return autoApplyOnLaunch_; }
    MenuBarIconStyle iconStyle() const { return iconStyle_; }
    bool animateOnChange() const { return animateOnChange_; }
    MenuBarColorMode colorMode() const { return colorMode_; }

    // Each setter stores its value at once.
    void setAutoApplyOnLaunch(bool on);
    void setIconStyle(MenuBarIconStyle style);
    void setAnimateOnChange(bool on);
    void setColorMode(MenuBarColorMode mode);

    // Takes a new snapshot; keeps the selection while its display is
    // online, otherwise selects the main (or first) display. A snapshot
    // that cannot be read changes nothing.
    void refresh();

    // Selects an online display and clears the status line; an identifier
    // that is not online changes nothing.
    void selectDisplay(DisplayId display);

    // Switches a display for the user and remembers the mode for it. On
    // failure nothing changes and the reason is returned.
    [[nodiscard]] std::optional<DisplayServiceError> applyMode(const DisplayModeInfo& mode,
                                                               DisplayId display);

    // Applies each display's saved mode once per appearance, when
    // autoApplyOnLaunch is on. Failures become the status line.
    void applySavedModesIfNeeded();

    // The latest settings write that failed since the previous call. Writes
    // happen inside the operations above, whose results speak only of the
    // display; the caller collects write failures here after each one.
    std::optional<SettingsError> takeWriteError();

  private:
    void save(const DisplayModeInfo& mode, DisplayId display);
    void store(const QString& key, const SettingValue& value);
    void erase(const QString& key);
    void note(std::optional<SettingsError> error);
    bool isOnline(DisplayId display) const;

    DisplayService service_;
    SettingsStore* settings_;
    std::set<DisplayId> autoAppliedDisplayIDs_;
    std::vector<DisplayInfo> displays_;
    // The backend's stamp of the configuration displays_ was read from.
    std::optional<std::uint64_t> snapshotStamp_;
    std::optional<DisplayId> selectedDisplayID_;
    std::optional<QString> statusMessage_;
    bool autoApplyOnLaunch_ = false;
    MenuBarIconStyle iconStyle_ = MenuBarIconStyle::glyph;
    bool animateOnChange_ = true;
    MenuBarColorMode colorMode_ = MenuBarColorMode::system;
    std::optional<SettingsError> writeError_;
};

}  // namespace corvane
