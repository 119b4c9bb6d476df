#include "update/CheckDecision.h"

#include <algorithm>

#include "update/AppUpdater.h"

namespace corvane {

UpdateCheckResult decideWithoutRelease(const std::vector<SourceOutcome>& outcomes) {
    const auto any = [&outcomes](std::initializer_list<SourceOutcome> kinds) {
        return std::any_of(outcomes.begin(), outcomes.end(), [kinds](SourceOutcome outcome) {
            return std::find(kinds.begin(), kinds.end(), outcome) != kinds.end();
        });
    };
    using enum SourceOutcome;
    const bool newerMissed = any({invalid, archiveMissing, unusable, failedBefore});
    const bool manifestSeen =
        any({unreadable, upToDate, invalid, archiveMissing, unusable, failedBefore});
    const bool errorSeen = any({fetchFailed, unreadable, invalid, unusable});
    if (newerMissed) {
        return UpdateCheckResult::unavailable();
    }
    if (manifestSeen) {
        return UpdateCheckResult::latest();
    }
    if (errorSeen) {
        return UpdateCheckResult::failed();
    }
    return UpdateCheckResult::unavailable();
}

std::optional<SourceResult> judgeManifest(const UpdateManifest& manifest, qint64 currentBuild,
                                          const std::optional<qint64>& scheduledBuild,
                                          const std::set<std::int64_t>& failedBuilds) {
    if (manifest.build <= currentBuild) {
        return SourceOutcome::upToDate;
    }
    if (scheduledBuild == manifest.build) {
        return ScheduledRelease{manifest};
    }
    if (!AppUpdater::isValidManifest(manifest)) {
        return SourceOutcome::invalid;
    }
    if (failedBuilds.count(manifest.build) != 0) {
        return SourceOutcome::failedBefore;
    }
    return std::nullopt;
}

}  // namespace corvane
