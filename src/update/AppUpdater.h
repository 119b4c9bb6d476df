#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtGlobal>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <variant>
#include <vector>

#include "update/DownloadLimits.h"
#include "update/UpdateCheckResult.h"
#include "update/UpdateManifest.h"

namespace corvane {

class ReleaseServer;
class ReplacementToolWatch;
enum class SourceOutcome;
struct ScheduledRelease;

// The update engine. Everything but its fixed configuration and
// requestStop() belongs to the thread it lives on, which runs an event loop.
class AppUpdater : public QObject {
    Q_OBJECT

  public:
    // The release server's bounds, and those of unpacking an archive.
    struct Limits : DownloadLimits {
        std::uint64_t maxUnpackedBytes = 4ULL * 1024 * 1024 * 1024;
        std::uint64_t maxUnpackedEntries = 100'000;
    };

    struct Parameters {
        QUrl appBundleURL;                   // the installed bundle that runs now
        std::optional<qint64> currentBuild;  // absent: bundleBuild()
        std::optional<QUrl> remoteFeedURL;   // absent: local folders only
        // The local feed folders. A given list wins over a given single
        // folder; with neither, UpdateFeed::candidateDirectories().
        std::optional<QUrl> updatesDirectory;
        std::optional<QList<QUrl>> updateDirectories;
        QUrl applicationSupportDirectory;  // root of "Downloads" and "Staging"
        // The application the replacement tool stops and replaces; absent:
        // this process.
        std::optional<qint64> applicationProcess;
        // A build that application has already handed off; a check that
        // finds it again reports it as scheduled and stages nothing.
        std::optional<qint64> scheduledBuild;
        Limits limits;
    };

    // Where the installed bundle keeps what updating needs.
    static constexpr const char* kSigningKeyPath = "Contents/Resources/update-signing-key.pub";
    static constexpr const char* kServerAuthorityPath = "Contents/Resources/release-server-ca.pem";
    static constexpr const char* kReplacementToolPath = "Contents/MacOS/CorvaneUpdater";
    static constexpr const char* kLauncherName = "corvane-open";

    explicit AppUpdater(Parameters parameters, QObject* parent = nullptr);
    ~AppUpdater() override;

    // The running bundle's "CFBundleVersion" as a build number; 0 when it is
    // not a plain decimal number, when the key is missing, or when this
    // process does not run from a bundle.
    static qint64 bundleBuild();

    // True when `name` may be joined to a folder or URL as a zip archive's
    // file name: not empty, not "." or "..", no "/" or "\", no control
    // character, ending in ".zip" in any case.
    static bool isSafeArchiveName(const QString& name);

    // True when a manifest may be acted on: a version text, a build of at
    // least 1, a safe archive name and a digest of exactly 64 ASCII
    // hexadecimal digits in either case. Says nothing about whether it is newer.
    static bool isValidManifest(const UpdateManifest& manifest);

    // One whole check: the release server, then the local folders, staging
    // and handing off the first usable newer release. On the engine's
    // thread; waits for the network in a nested event loop. Never throws:
    // every failure is folded into the result.
    UpdateCheckResult checkAndScheduleUpdate();

    // Copies the archive into its build folder under "Staging", checks its
    // digest, unpacks it, validates the candidate bundle and starts the
    // replacement tool; then scheduledBuild() is the manifest's build.
    // Throws UpdateFailure at the first failing step, leaving what the
    // steps before it made. On the engine's thread.
    void stageAndSchedule(const UpdateManifest& manifest, const QString& archivePath);

    // Where the replacement tool puts the backups and its record of builds
    // that failed to start: always under the default application support
    // folder.
    static std::filesystem::path backupRoot();

    // From any thread: ends the running check as soon as it can (network
    // waits are aborted, staging stops before its next step and inside long
    // steps) and makes every later check end at once. For quitting.
    void requestStop();

    // Fixed at construction; safe to read from any thread.
    const QUrl& appBundleURL() const { return appBundleURL_; }
    qint64 currentBuild() const { return currentBuild_; }
    const std::optional<QUrl>& remoteFeedURL() const { return remoteFeedURL_; }
    const QList<QUrl>& updateDirectories() const { return updateDirectories_; }
    const QUrl& applicationSupportDirectory() const { return applicationSupportDirectory_; }

    // The build handed to the replacement tool during this run, until that
    // tool ends while this process still runs (the hand-off failed). Read
    // and written on the engine's thread only.
    const std::optional<qint64>& scheduledBuild() const { return scheduledBuild_; }

    // True while a replacement tool this engine started still runs.
    bool handOffRunning() const { return !tools_.empty(); }

  signals:
    // The replacement tool started for `build` has ended while this engine
    // still exists; `waitStatus` as waitpid() reports it. The tool ends
    // this application when it succeeds, so this means the hand-off failed;
    // scheduledBuild() no longer holds the build when this is emitted.
    void replacementToolEnded(qint64 build, int waitStatus);

  private:
    std::variant<SourceOutcome, ScheduledRelease> checkRemote(
        const std::set<std::int64_t>& failedBuilds);
    std::variant<SourceOutcome, ScheduledRelease> checkFolder(
        const QUrl& folder, const std::set<std::int64_t>& failedBuilds);
    // Stages a usable release; false when staging failed.
    bool tryStage(const UpdateManifest& manifest, const QString& archivePath);
    void validateCandidate(const std::filesystem::path& candidate, const UpdateManifest& manifest);
    void checkHandOffNeeds(const std::filesystem::path& candidate) const;
    void startReplacementTool(const std::filesystem::path& tool,
                              const std::filesystem::path& candidate, qint64 build);
    void throwIfStopped() const;
    ReleaseServer& server();
    std::filesystem::path installedBundle() const;

    const QUrl appBundleURL_;
    const qint64 currentBuild_;
    const std::optional<QUrl> remoteFeedURL_;
    const QList<QUrl> updateDirectories_;
    const QUrl applicationSupportDirectory_;
    const std::optional<qint64> applicationProcess_;
    const Limits limits_;
    std::optional<qint64> scheduledBuild_;
    std::stop_source stop_;
    ReleaseServer* server_ = nullptr;  // made on first use, on the engine's thread
    std::vector<std::unique_ptr<ReplacementToolWatch>> tools_;
};

}  // namespace corvane
