#include "update/AppUpdater.h"

#include <QFile>
#include <QFileInfo>
#include <QSslCertificate>
#include <string>

#include "platform/linux/failedbuilds/FailedBuilds.h"
#include "platform/linux/files/RegularFile.h"
#include "update/CheckDecision.h"
#include "update/ReleaseServer.h"
#include "update/RemoteLocations.h"
#include "update/ReplacementToolWatch.h"
#include "update/UniqueFolders.h"
#include "update/UpdateFailure.h"
#include "update/UpdateFeed.h"

namespace corvane {

namespace {

QList<QUrl> chooseUpdateDirectories(const AppUpdater::Parameters& parameters) {
    if (parameters.updateDirectories) {
        return *parameters.updateDirectories;
    }
    if (parameters.updatesDirectory) {
        return {*parameters.updatesDirectory};
    }
    return UpdateFeed::candidateDirectories();
}

// The certificate authorities the installed bundle pins for the release
// server; absent when it pins none. A pin file that cannot be read or holds
// no certificate trusts nothing, never the system's authorities.
std::optional<QList<QSslCertificate>> pinnedAuthorities(const std::filesystem::path& bundle) {
    const std::filesystem::path file = bundle / AppUpdater::kServerAuthorityPath;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error))) {
        return std::nullopt;
    }
    const auto pem = files::readRegularFile(file, 1024 * 1024);
    if (const auto* text = std::get_if<std::string>(&pem)) {
        return QSslCertificate::fromData(QByteArray::fromStdString(*text), QSsl::Pem);
    }
    return QList<QSslCertificate>();
}

}  // namespace

AppUpdater::AppUpdater(Parameters parameters, QObject* parent)
    : QObject(parent),
      appBundleURL_(parameters.appBundleURL),
      currentBuild_(parameters.currentBuild ? *parameters.currentBuild : bundleBuild()),
      remoteFeedURL_(parameters.remoteFeedURL),
      updateDirectories_(unique(chooseUpdateDirectories(parameters))),
      applicationSupportDirectory_(parameters.applicationSupportDirectory),
      applicationProcess_(parameters.applicationProcess),
      limits_(parameters.limits),
      scheduledBuild_(parameters.scheduledBuild) {}

AppUpdater::~AppUpdater() = default;

void AppUpdater::requestStop() {
    stop_.request_stop();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (server_) {
                server_->abort();
            }
        },
        Qt::QueuedConnection);
}

ReleaseServer& AppUpdater::server() {
    if (!server_) {
        ReleaseServer::Settings settings;
        settings.pinnedAuthorities = pinnedAuthorities(installedBundle());
        settings.limits = limits_;
        server_ = new ReleaseServer(std::move(settings), stop_.get_token(), this);
    }
    return *server_;
}

UpdateCheckResult AppUpdater::checkAndScheduleUpdate() {
    // A build the replacement tool rolled back is never handed off again:
    // it would end at once and be rolled back once more, at every check.
    const std::set<std::int64_t> failedBuilds =
        failedbuilds::readFailedBuilds(backupRoot() / failedbuilds::kFileName);
    std::vector<SourceOutcome> outcomes;
    const auto settle = [&outcomes](SourceResult result) -> std::optional<UpdateCheckResult> {
        if (auto* release = std::get_if<ScheduledRelease>(&result)) {
            return UpdateCheckResult::scheduled(std::move(release->manifest));
        }
        outcomes.push_back(std::get<SourceOutcome>(result));
        return std::nullopt;
    };
    if (remoteFeedURL_) {
        if (auto done = settle(checkRemote(failedBuilds))) {
            return *done;
        }
    }
    for (const QUrl& folder : updateDirectories_) {
        if (stop_.stop_requested()) {
            break;
        }
        if (auto done = settle(checkFolder(folder, failedBuilds))) {
            return *done;
        }
    }
    return decideWithoutRelease(outcomes);
}

SourceResult AppUpdater::checkRemote(const std::set<std::int64_t>& failedBuilds) {
    const RemoteManifestResult fetched =
        server().fetchManifest(cacheBustedURL(*remoteFeedURL_, currentBuild_));
    if (!fetched) {
        return SourceOutcome::fetchFailed;
    }
    if (auto settled = judgeManifest(*fetched, currentBuild_, scheduledBuild_, failedBuilds)) {
        return *settled;
    }
    QString archive;
    try {
        archive = server().downloadArchive(
            archiveURL(*remoteFeedURL_, fetched->archiveName), fetched->build,
            applicationSupportDirectory_.toLocalFile() + QStringLiteral("/Downloads"));
    } catch (const UpdateFailure&) {
        return SourceOutcome::unusable;
    }
    const bool staged = tryStage(*fetched, archive);
    // The downloaded copy has served its purpose whatever staging did.
    QFile::remove(archive);
    if (!staged) {
        return SourceOutcome::unusable;
    }
    return ScheduledRelease{*fetched};
}

SourceResult AppUpdater::checkFolder(const QUrl& folder,
                                     const std::set<std::int64_t>& failedBuilds) {
    const QString directory = folder.toLocalFile();
    const QString manifestPath = directory + QStringLiteral("/latest.json");
    if (!QFileInfo::exists(manifestPath)) {
        return SourceOutcome::absent;
    }
    // Its presence alone counts as a manifest seen. Only a regular file is
    // ever opened: a FIFO would block the engine for good.
    const auto bytes = files::readRegularFile(QFile::encodeName(manifestPath).toStdString(),
                                              static_cast<std::size_t>(limits_.maxManifestBytes));
    const auto* text = std::get_if<std::string>(&bytes);
    if (!text) {
        return SourceOutcome::unreadable;
    }
    const auto decoded = UpdateManifest::fromJson(QByteArray::fromStdString(*text));
    const auto* manifest = std::get_if<UpdateManifest>(&decoded);
    if (!manifest) {
        return SourceOutcome::unreadable;
    }
    if (auto settled = judgeManifest(*manifest, currentBuild_, scheduledBuild_, failedBuilds)) {
        return *settled;
    }
    const QString archive = directory + QLatin1Char('/') + manifest->archiveName;
    if (!QFileInfo::exists(archive)) {
        return SourceOutcome::archiveMissing;
    }
    if (!tryStage(*manifest, archive)) {
        return SourceOutcome::unusable;
    }
    return ScheduledRelease{*manifest};
}

bool AppUpdater::tryStage(const UpdateManifest& manifest, const QString& archivePath) {
    try {
        stageAndSchedule(manifest, archivePath);
        return true;
    } catch (const UpdateFailure&) {
        // Nothing is reported beyond the check's result; the next check
        // tries again.
        return false;
    }
}

}  // namespace corvane
