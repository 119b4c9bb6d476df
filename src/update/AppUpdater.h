#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtGlobal>
#include <optional>

#include "update/UpdateManifest.h"

namespace corvane {

// The update engine. It lives on a thread of its own (see
// UpdateEngineThread); everything but its fixed configuration belongs to
// that thread.
class AppUpdater : public QObject {
    Q_OBJECT

  public:
    struct Parameters {
        QUrl appBundleURL;                   // the installed bundle that runs now
        std::optional<qint64> currentBuild;  // absent: bundleBuild()
        std::optional<QUrl> remoteFeedURL;   // absent: local folders only
        // The local feed folders. A given list wins over a given single
        // folder; with neither, UpdateFeed::candidateDirectories().
        std::optional<QUrl> updatesDirectory;
        std::optional<QList<QUrl>> updateDirectories;
        QUrl applicationSupportDirectory;  // root of "Downloads" and "Staging"
    };

    explicit AppUpdater(Parameters parameters);

    // The running bundle's "CFBundleVersion" as a build number; 0 when it is
    // not a plain decimal number, when the key is missing, or when this
    // process does not run from a bundle.
    static qint64 bundleBuild();

    // True when `name` may be joined to a folder or URL as a zip archive's
    // file name: not empty, not "." or "..", no "/" or "\", ending in ".zip"
    // in any case.
    static bool isSafeArchiveName(const QString& name);

    // True when a manifest may be acted on: a version text, a build of at
    // least 1, a safe archive name and a digest of exactly 64 hexadecimal
    // digits in either case. Says nothing about whether it is newer.
    static bool isValidManifest(const UpdateManifest& manifest);

    // Fixed at construction; safe to read from any thread.
    const QUrl& appBundleURL() const { return appBundleURL_; }
    qint64 currentBuild() const { return currentBuild_; }
    const std::optional<QUrl>& remoteFeedURL() const { return remoteFeedURL_; }
    const QList<QUrl>& updateDirectories() const { return updateDirectories_; }
    const QUrl& applicationSupportDirectory() const { return applicationSupportDirectory_; }

    // The build handed to the replacement tool during this run. Read and
    // written on the engine's thread only.
    const std::optional<qint64>& scheduledBuild() const { return scheduledBuild_; }

  private:
    const QUrl appBundleURL_;
    const qint64 currentBuild_;
    const std::optional<QUrl> remoteFeedURL_;
    const QList<QUrl> updateDirectories_;
    const QUrl applicationSupportDirectory_;
    std::optional<qint64> scheduledBuild_;
};

}  // namespace corvane
