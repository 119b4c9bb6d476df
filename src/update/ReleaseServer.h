#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>
#include <stop_token>

#include "update/DownloadLimits.h"
#include "update/UpdateManifest.h"

class QNetworkReply;
class QNetworkRequest;

namespace corvane {

// The outcome of one manifest fetch: the manifest, or nothing when the
// fetch failed in any way.
using RemoteManifestResult = std::optional<UpdateManifest>;

// The release server as the engine talks to it: one manifest request and
// one archive download at a time, each waited for in a nested event loop on
// the engine's thread. Lives on that thread.
class ReleaseServer : public QObject {
    Q_OBJECT

  public:
    struct Settings {
        // Present: only these certificate authorities are trusted (none at
        // all when the list is empty). Absent: the system's.
        std::optional<QList<QSslCertificate>> pinnedAuthorities;
        DownloadLimits limits;
    };

    ReleaseServer(Settings settings, std::stop_token stop, QObject* parent = nullptr);

    // GET `url` (no cache, "Accept: application/json", "Cache-Control:
    // no-cache", manifestIdleTimeout without data at most) and decodes the
    // body. Nothing when the transfer fails or is stopped, the status is not
    // 2xx, the body is larger than allowed, or it does not decode.
    RemoteManifestResult fetchManifest(const QUrl& url);

    // Streams the archive at `url` (no cache, archiveIdleTimeout without
    // data at most) into a temporary file in `folder`, created with its
    // parents, and renames it to "build-<build>-<UUID>.zip" once complete.
    // Throws UpdateFailure: remoteDownloadFailed for a response that is not
    // HTTP or not 2xx, a platform failure for a transfer error, an archive
    // larger than allowed, a download that takes longer than allowed, a
    // stop, or a file error. A failed download leaves nothing in `folder`.
    QString downloadArchive(const QUrl& url, qint64 build, const QString& folder);

    // Aborts the transfer in progress, if any. On the engine's thread.
    void abort();

  private:
    QNetworkRequest request(const QUrl& url, const QByteArray& accept,
                            std::chrono::milliseconds idleTimeout) const;
    // Runs this thread's events until `reply` has finished; a stop or the
    // thread's end aborts it.
    void waitFor(QNetworkReply* reply);

    Settings settings_;
    std::stop_token stop_;
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> current_;
};

}  // namespace corvane
