#include "update/UpdateFailure.h"

namespace corvane {

namespace {

QString nameOf(UpdaterError error) {
    switch (error) {
        case UpdaterError::archiveHashMismatch:
            return QStringLiteral("archiveHashMismatch");
        case UpdaterError::invalidCandidate:
            return QStringLiteral("invalidCandidate");
        case UpdaterError::processFailed:
            return QStringLiteral("processFailed");
        case UpdaterError::remoteDownloadFailed:
            return QStringLiteral("remoteDownloadFailed");
        case UpdaterError::updaterMissing:
            return QStringLiteral("updaterMissing");
    }
    return {};
}

}  // namespace

QString UpdateFailure::description() const {
    if (const auto* own = std::get_if<UpdaterError>(&cause_)) {
        return nameOf(*own);
    }
    const auto& system = std::get<SystemFailure>(cause_);
    return system.action + QStringLiteral(": ") + system.reason;
}

}  // namespace corvane
