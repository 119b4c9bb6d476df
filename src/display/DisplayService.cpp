#include "display/DisplayService.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace corvane {

namespace {

// The service looks at no more displays than the platform's list call has
// room for.
constexpr std::size_t kMaxOnlineDisplays = 32;

struct ScreenDetails {
    QString name;
    double backingScaleFactor = 1.0;
};

auto modeOrderKey(const DisplayModeInfo& mode) {
    return std::tie(mode.width, mode.height, mode.pixelWidth, mode.pixelHeight, mode.refreshRate);
}

// File-browser ordering: case-insensitive, digit runs compared by value.
// With the "C" locale Qt's collator falls back to plain code-point order,
// so Korean, the language of the interface, stands in for it.
QCollator makeNameCollator() {
    QLocale locale;
    if (locale.language() == QLocale::C) {
        locale = QLocale(QLocale::Korean, QLocale::SouthKorea);
    }
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

std::map<DisplayId, ScreenDetails> screenDetails(DisplayBackend& backend) {
    std::map<DisplayId, ScreenDetails> details;
    for (const ScreenDescription& screen : backend.screens()) {
        if (!screen.displayId) {
            continue;
        }
        // A later screen with the same display replaces an earlier one.
        details[*screen.displayId] = {screen.name.trimmed(), screen.backingScaleFactor};
    }
    return details;
}

std::optional<std::vector<DisplayId>> onlineDisplayIDs(DisplayBackend& backend) {
    std::optional<std::vector<DisplayId>> ids = backend.onlineDisplays();
    if (ids && ids->size() > kMaxOnlineDisplays) {
        ids->resize(kMaxOnlineDisplays);
    }
    return ids;
}

// The usable mode `request` names; see DisplayService::setMode().
const PlatformMode* chooseMode(const std::vector<PlatformMode>& all,
                               const DisplayModeInfo& request) {
    if (request.id != 0) {
        const auto named = std::find_if(all.begin(), all.end(), [&](const PlatformMode& mode) {
            return mode.usableForDesktop && mode.info.id == request.id;
        });
        if (named != all.end()) {
            return &*named;
        }
    }
    // The first within 0.1 Hz would make 59.94 Hz unreachable wherever the
    // platform lists 60 Hz before it.
    const PlatformMode* nearest = nullptr;
    double nearestDistance = 0;
    for (const PlatformMode& mode : all) {
        if (!mode.usableForDesktop || !hasSameSizeAndRate(mode.info, request)) {
            continue;
        }
        // Both without a rate: no distance to compare.
        const double distance =
            request.refreshRate > 0 ? std::fabs(mode.info.refreshRate - request.refreshRate) : 0;
        if (!nearest || distance < nearestDistance) {
            nearest = &mode;
            nearestDistance = distance;
        }
    }
    return nearest;
}

QString fallbackName(DisplayId display, bool isMain) {
    if (isMain) {
        return QStringLiteral("기본 디스플레이");
    }
    return QStringLiteral("디스플레이 %1").arg(display);
}

std::optional<DisplayInfo> makeDisplay(DisplayBackend& backend, DisplayId display,
                                       const ScreenDetails* details, bool isMain) {
    const std::optional<PlatformMode> current = backend.currentMode(display);
    if (!current) {
        return std::nullopt;
    }
    std::vector<DisplayModeInfo> candidates;
    for (const PlatformMode& mode : backend.allModes(display)) {
        if (mode.usableForDesktop) {
            candidates.push_back(mode.info);
        }
    }

    DisplayInfo info;
    info.id = display;
    info.isMain = isMain;
    info.name = details && !details->name.isEmpty() ? details->name : fallbackName(display, isMain);
    info.backingScaleFactor = details ? details->backingScaleFactor : 1.0;
    info.currentMode = current->info;
    info.modes = deduplicatedModes(std::move(candidates), current->info);
    return info;
}

}  // namespace

void sortModes(std::vector<DisplayModeInfo>& modes) {
    std::stable_sort(modes.begin(), modes.end(),
                     [](const DisplayModeInfo& a, const DisplayModeInfo& b) {
                         return modeOrderKey(a) < modeOrderKey(b);
                     });
}

std::vector<DisplayModeInfo> deduplicatedModes(std::vector<DisplayModeInfo> modes,
                                               const DisplayModeInfo& currentMode) {
    sortModes(modes);
    std::vector<DisplayModeInfo> kept;
    kept.reserve(modes.size());
    for (const DisplayModeInfo& mode : modes) {
        // Near-duplicates share all four sizes, and the sort puts modes of
        // one size together, so only the kept modes of this size, at the
        // end of the list, need a look.
        bool duplicate = false;
        for (auto earlier = kept.rbegin(); earlier != kept.rend(); ++earlier) {
            if (earlier->width != mode.width || earlier->height != mode.height ||
                earlier->pixelWidth != mode.pixelWidth ||
                earlier->pixelHeight != mode.pixelHeight) {
                break;
            }
            if (hasSameSizeAndRate(*earlier, mode)) {
                duplicate = true;
                break;
            }
        }
        if (!duplicate) {
            kept.push_back(mode);
        }
    }
    const bool currentKept =
        std::any_of(kept.begin(), kept.end(),
                    [&](const DisplayModeInfo& mode) { return mode.matches(currentMode); });
    if (!currentKept) {
        kept.push_back(currentMode);
        sortModes(kept);
    }
    return kept;
}

DisplayService::DisplayService(DisplayBackend& backend)
    : backend_(&backend), nameCollator_(makeNameCollator()) {}

std::vector<DisplayInfo> DisplayService::snapshot() const {
    return readSnapshot().value_or(std::vector<DisplayInfo>{});
}

std::optional<std::vector<DisplayInfo>> DisplayService::readSnapshot() const {
    const std::map<DisplayId, ScreenDetails> details = screenDetails(*backend_);
    const std::optional<std::vector<DisplayId>> online = onlineDisplayIDs(*backend_);
    if (!online) {
        return std::nullopt;
    }
    const DisplayId mainDisplay = online->empty() ? 0 : backend_->mainDisplay();

    std::vector<DisplayInfo> displays;
    for (DisplayId display : *online) {
        const auto found = details.find(display);
        std::optional<DisplayInfo> info =
            makeDisplay(*backend_, display, found == details.end() ? nullptr : &found->second,
                        display == mainDisplay);
        if (info) {
            displays.push_back(std::move(*info));
        }
    }

    std::stable_sort(displays.begin(), displays.end(),
                     [this](const DisplayInfo& a, const DisplayInfo& b) {
                         if (a.isMain != b.isMain) {
                             return a.isMain;
                         }
                         return nameCollator_.compare(a.name, b.name) < 0;
                     });
    return displays;
}

std::vector<DisplayId> DisplayService::takeDepartedDisplays() const {
    return backend_->takeDepartedDisplays();
}

std::optional<std::uint64_t> DisplayService::configurationStamp() const {
    return backend_->configurationStamp();
}

std::optional<DisplayServiceError> DisplayService::setMode(const DisplayModeInfo& mode,
                                                           DisplayId display) const {
    return switchTo(mode, display, false).error;
}

DisplayService::Restoration DisplayService::restoreMode(const DisplayModeInfo& mode,
                                                        DisplayId display) const {
    return switchTo(mode, display, true);
}

DisplayService::Restoration DisplayService::switchTo(const DisplayModeInfo& mode, DisplayId display,
                                                     bool unlessCurrent) const {
    const std::vector<PlatformMode> all = backend_->allModes(display);
    if (all.empty()) {
        return {DisplayServiceError::displayUnavailable()};
    }
    const PlatformMode* chosen = chooseMode(all, mode);
    if (!chosen) {
        return {DisplayServiceError::modeUnavailable()};
    }
    if (unlessCurrent) {
        const std::optional<PlatformMode> current = backend_->currentMode(display);
        if (current && current->handle == chosen->handle) {
            return {};
        }
    }
    switch (const std::int32_t code = backend_->switchMode(display, *chosen)) {
        case 0:
            return {std::nullopt, true};
        // Gone between the look-up above and the switch: not a refusal.
        case kSwitchDisplayGone:
            return {DisplayServiceError::displayUnavailable()};
        case kSwitchModeGone:
            return {DisplayServiceError::modeUnavailable()};
        default:
            return {DisplayServiceError::changeFailed(code)};
    }
}

}  // namespace corvane
