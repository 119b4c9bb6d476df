#pragma once

#include <optional>

#include "update/UpdateManifest.h"

namespace corvane {

// The outcome of one update check.
class UpdateCheckResult {
  public:
    enum class Kind {
        scheduled,    // a newer release has been handed to the replacement tool in this run
        latest,       // a manifest was found and nothing newer
        unavailable,  // a newer release proved unusable, or nothing was found and nothing failed
        failed,       // nothing was found and something failed
    };

    static UpdateCheckResult scheduled(UpdateManifest manifest) {
        return UpdateCheckResult(Kind::scheduled, std::move(manifest));
    }
    static UpdateCheckResult latest() { return UpdateCheckResult(Kind::latest, std::nullopt); }
    static UpdateCheckResult unavailable() {
        return UpdateCheckResult(Kind::unavailable, std::nullopt);
    }
    static UpdateCheckResult failed() { return UpdateCheckResult(Kind::failed, std::nullopt); }

    Kind kind() const { return kind_; }
    // The scheduled release's manifest; present exactly when kind() is scheduled.
    const std::optional<UpdateManifest>& manifest() const { return manifest_; }

    bool operator==(const UpdateCheckResult&) const = default;

  private:
    UpdateCheckResult(Kind kind, std::optional<UpdateManifest> manifest)
        : kind_(kind), manifest_(std::move(manifest)) {}

    Kind kind_;
    std::optional<UpdateManifest> manifest_;
};

}  // namespace corvane
