#pragma once

#include <QtGlobal>
#include <cstdint>
#include <optional>
#include <set>
#include <variant>
#include <vector>

#include "update/UpdateCheckResult.h"
#include "update/UpdateManifest.h"

namespace corvane {

// What one source of releases (the release server or one local folder)
// came to in a check that went on past it.
enum class SourceOutcome {
    absent,          // a folder without "latest.json"
    fetchFailed,     // the server's manifest could not be fetched or decoded
    unreadable,      // a folder's "latest.json" could not be read or decoded
    upToDate,        // a manifest with no newer build
    invalid,         // a newer manifest that may not be acted on
    archiveMissing,  // a folder's newer release without its archive
    unusable,        // a newer release whose download, staging or hand-off failed
    failedBefore,    // a newer release that was rolled back when it failed to start
};

// A source whose release was scheduled (now or earlier in this run): the
// check ends with it.
struct ScheduledRelease {
    UpdateManifest manifest;
};

using SourceResult = std::variant<SourceOutcome, ScheduledRelease>;

// The result of a check that scheduled nothing, from its sources' outcomes:
// a newer release missed makes it unavailable; otherwise a manifest seen
// makes it latest; otherwise a failure makes it failed; otherwise
// unavailable.
UpdateCheckResult decideWithoutRelease(const std::vector<SourceOutcome>& outcomes);

// What a source whose manifest was found comes to without downloading or
// staging anything: up to date when the build is not greater than the
// running one, scheduled when the build was handed off earlier in this run,
// invalid when it may not be acted on, failed before when the build is one
// of `failedBuilds`, which never start again. Nothing for a newer, valid
// manifest, whose release is to be downloaded or staged.
std::optional<SourceResult> judgeManifest(const UpdateManifest& manifest, qint64 currentBuild,
                                          const std::optional<qint64>& scheduledBuild,
                                          const std::set<std::int64_t>& failedBuilds);

}  // namespace corvane
