#include "state/DisplayStore.h"

#include <algorithm>
#include <utility>

#include "state/SavedDisplayMode.h"
#include "state/SettingsKeys.h"

namespace corvane {

namespace {

std::optional<DisplayId> displayIdFrom(std::optional<std::int64_t> stored) {
    // A number that cannot be a display identifier selects nothing, rather
    // than some other display its low bits happen to name.
    if (stored && std::in_range<DisplayId>(*stored)) {
        return static_cast<DisplayId>(*stored);
    }
    return std::nullopt;
}

}  // namespace

DisplayStore::DisplayStore(DisplayBackend& backend, SettingsStore& settings)
    : service_(backend), settings_(&settings) {
    selectedDisplayID_ = displayIdFrom(settings_->integer(settingsKeys::kSelectedDisplayID));
    autoApplyOnLaunch_ = settings_->boolean(settingsKeys::kAutoApplyOnLaunch).value_or(false);
    if (const auto word = settings_->string(settingsKeys::kIconStyle)) {
        iconStyle_ = iconStyleFromWord(*word).value_or(MenuBarIconStyle::glyph);
    }
    animateOnChange_ = settings_->boolean(settingsKeys::kAnimateOnChange).value_or(true);
    if (const auto word = settings_->string(settingsKeys::kColorMode)) {
        colorMode_ = colorModeFromWord(*word).value_or(MenuBarColorMode::system);
    }
    refresh();
}

std::optional<DisplayInfo> DisplayStore::selectedDisplay() const {
    if (displays_.empty()) {
        return std::nullopt;
    }
    if (selectedDisplayID_) {
        const auto found =
            std::find_if(displays_.begin(), displays_.end(),
                         [&](const DisplayInfo& d) { return d.id == *selectedDisplayID_; });
        if (found != displays_.end()) {
            return *found;
        }
    }
    return displays_.front();
}

void DisplayStore::setAutoApplyOnLaunch(bool on) {
    autoApplyOnLaunch_ = on;
    store(settingsKeys::kAutoApplyOnLaunch, on);
}

void DisplayStore::setIconStyle(MenuBarIconStyle style) {
    iconStyle_ = style;
    store(settingsKeys::kIconStyle, persistedWord(style));
}

void DisplayStore::setAnimateOnChange(bool on) {
    animateOnChange_ = on;
    store(settingsKeys::kAnimateOnChange, on);
}

void DisplayStore::setColorMode(MenuBarColorMode mode) {
    colorMode_ = mode;
    store(settingsKeys::kColorMode, persistedWord(mode));
}

void DisplayStore::refresh() {
    // Nothing has changed since the last snapshot: it still holds, and so
    // does everything derived from it below.
    const std::optional<std::uint64_t> stamp = service_.configurationStamp();
    if (stamp && stamp == snapshotStamp_) {
        return;
    }
    std::optional<std::vector<DisplayInfo>> snapshot = service_.readSnapshot();
    // A read that failed says nothing about the displays: the last snapshot
    // and the selection stand until a read succeeds.
    if (!snapshot) {
        snapshotStamp_.reset();
        return;
    }
    snapshotStamp_ = service_.configurationStamp();
    // A display that has gone away is considered again when it returns,
    // also when it left and came back between two snapshots.
    const std::vector<DisplayId> departed = service_.takeDepartedDisplays();
    std::erase_if(autoAppliedDisplayIDs_, [&](DisplayId id) {
        return std::find(departed.begin(), departed.end(), id) != departed.end() ||
               std::none_of(snapshot->begin(), snapshot->end(),
                            [id](const DisplayInfo& d) { return d.id == id; });
    });
    displays_ = std::move(*snapshot);

    if (selectedDisplayID_ && isOnline(*selectedDisplayID_)) {
        return;
    }
    if (displays_.empty()) {
        selectedDisplayID_.reset();
        erase(settingsKeys::kSelectedDisplayID);
        return;
    }
    const auto main = std::find_if(displays_.begin(), displays_.end(),
                                   [](const DisplayInfo& d) { return d.isMain; });
    selectedDisplayID_ = main != displays_.end() ? main->id : displays_.front().id;
    store(settingsKeys::kSelectedDisplayID, std::int64_t{*selectedDisplayID_});
}

void DisplayStore::selectDisplay(DisplayId display) {
    if (!isOnline(display)) {
        return;
    }
    selectedDisplayID_ = display;
    store(settingsKeys::kSelectedDisplayID, std::int64_t{display});
    statusMessage_.reset();
}

std::optional<DisplayServiceError> DisplayStore::applyMode(const DisplayModeInfo& mode,
                                                           DisplayId display) {
    if (auto error = service_.setMode(mode, display)) {
        return error;
    }
    save(mode, display);
    selectDisplay(display);
    statusMessage_ = mode.modeSummaryText() + QStringLiteral(" 적용됨");
    refresh();
    return std::nullopt;
}

void DisplayStore::applySavedModesIfNeeded() {
    if (!autoApplyOnLaunch_) {
        return;
    }
    refresh();
    if (displays_.empty()) {
        return;
    }
    bool changed = false;
    // The walk goes over this snapshot even though switches change the
    // platform underneath it; the single refresh afterwards catches up.
    for (const DisplayInfo& display : displays_) {
        // Marked before anything is read: a display is considered once per
        // appearance whether or not its saved mode exists, decodes or applies.
        if (!autoAppliedDisplayIDs_.insert(display.id).second) {
            continue;
        }
        const auto data = settings_->data(settingsKeys::savedMode(display.id));
        if (!data) {
            continue;
        }
        const SavedModeDecoding decoded = decodeSavedDisplayMode(*data);
        const auto* saved = std::get_if<SavedDisplayMode>(&decoded);
        if (saved == nullptr || !display.currentMode) {
            continue;
        }
        const DisplayModeInfo wanted = saved->toDisplayModeInfo();
        // The same identifier is the same mode. Otherwise the service picks
        // the mode the record names, which may be another rate within
        // 0.1 Hz of the current one, and leaves the display alone when it
        // is in that mode already.
        if (wanted.id != 0 && display.currentMode->id == wanted.id) {
            continue;
        }
        const DisplayService::Restoration restored = service_.restoreMode(wanted, display.id);
        if (restored.error) {
            statusMessage_ = QStringLiteral("자동 적용 실패: ") + restored.error->description();
        }
        changed = changed || restored.switched;
    }
    if (changed) {
        refresh();
    }
}

std::optional<SettingsError> DisplayStore::takeWriteError() {
    return std::exchange(writeError_, std::nullopt);
}

void DisplayStore::save(const DisplayModeInfo& mode, DisplayId display) {
    const auto encoded = encodeSavedDisplayMode(SavedDisplayMode::from(mode));
    if (!encoded) {
        return;
    }
    store(settingsKeys::savedMode(display), *encoded);
}

void DisplayStore::store(const QString& key, const SettingValue& value) {
    note(settings_->setValue(key, value));
}

void DisplayStore::erase(const QString& key) {
    note(settings_->remove(key));
}

void DisplayStore::note(std::optional<SettingsError> error) {
    if (error) {
        writeError_ = std::move(error);
    }
}

bool DisplayStore::isOnline(DisplayId display) const {
    return std::any_of(displays_.begin(), displays_.end(),
                       [display](const DisplayInfo& d) { return d.id == display; });
}

}  // namespace corvane
