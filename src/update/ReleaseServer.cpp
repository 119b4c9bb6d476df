#include "update/ReleaseServer.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QUuid>
#include <memory>

#include "update/UpdateFailure.h"
#include "update/UpdaterError.h"

namespace corvane {

namespace {

// Bounds what Qt buffers between two reads, so that a fast server cannot
// make a download fill memory.
constexpr qint64 kReadBufferBytes = 1024 * 1024;

std::optional<int> httpStatus(const QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        return std::nullopt;
    }
    return status.toInt();
}

bool isSuccess(const std::optional<int>& status) {
    return status && *status >= 200 && *status <= 299;
}

[[noreturn]] void fail(const QString& action, const QString& reason) {
    throw UpdateFailure(SystemFailure{action, reason});
}

// Removes the partial download unless it was completed.
class PartialFile {
  public:
    explicit PartialFile(const QString& path) : file_(path) {}
    ~PartialFile() {
        if (!kept_) {
            file_.close();
            file_.remove();
        }
    }
    QFile& file() { return file_; }
    void keep() { kept_ = true; }

  private:
    QFile file_;
    bool kept_ = false;
};

}  // namespace

ReleaseServer::ReleaseServer(Settings settings, std::stop_token stop, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), stop_(std::move(stop)), network_(this) {}

QNetworkRequest ReleaseServer::request(const QUrl& url, const QByteArray& accept,
                                       std::chrono::milliseconds idleTimeout) const {
    QNetworkRequest request(url);
    request.setRawHeader("Accept", accept);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // A redirect may lead to another HTTPS location, never to plain HTTP.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(static_cast<int>(idleTimeout.count()));
    // Qt 6.4 honours the read buffer's bound over HTTP/1.1 only; over HTTP/2
    // a fast server would make a download pile up in memory.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    if (settings_.pinnedAuthorities) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setCaCertificates(*settings_.pinnedAuthorities);
        request.setSslConfiguration(configuration);
    }
    return request;
}

void ReleaseServer::waitFor(QNetworkReply* reply) {
    current_ = reply;
    // A stop requested before current_ was set found nothing to abort.
    if (stop_.stop_requested()) {
        reply->abort();
    }
    if (!reply->isFinished()) {
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // The loop also ends when the thread is told to quit.
    if (!reply->isFinished()) {
        reply->abort();
    }
    current_ = nullptr;
}

void ReleaseServer::abort() {
    if (current_) {
        current_->abort();
    }
}

RemoteManifestResult ReleaseServer::fetchManifest(const QUrl& url) {
    if (stop_.stop_requested()) {
        return std::nullopt;
    }
    QNetworkRequest manifestRequest =
        request(url, "application/json", settings_.limits.manifestIdleTimeout);
    manifestRequest.setRawHeader("Cache-Control", "no-cache");
    const std::unique_ptr<QNetworkReply> reply(network_.get(manifestRequest));
    reply->setReadBufferSize(kReadBufferBytes);
    QByteArray body;
    bool tooLarge = false;
    const auto collect = [&] {
        if (!reply->isOpen()) {
            return;
        }
        body += reply->readAll();
        if (body.size() > settings_.limits.maxManifestBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    };
    connect(reply.get(), &QNetworkReply::readyRead, this, collect);
    waitFor(reply.get());
    collect();
    if (tooLarge || stop_.stop_requested() || reply->error() != QNetworkReply::NoError ||
        !isSuccess(httpStatus(reply.get()))) {
        return std::nullopt;
    }
    auto decoded = UpdateManifest::fromJson(body);
    if (auto* manifest = std::get_if<UpdateManifest>(&decoded)) {
        return std::move(*manifest);
    }
    return std::nullopt;
}

QString ReleaseServer::downloadArchive(const QUrl& url, qint64 build, const QString& folder) {
    if (stop_.stop_requested()) {
        fail(QStringLiteral("download of %1").arg(url.toDisplayString()),
             QStringLiteral("stopped"));
    }
    if (!QDir().mkpath(folder)) {
        fail(QStringLiteral("cannot create %1").arg(folder), QStringLiteral("mkpath failed"));
    }
    const QString name = QStringLiteral("build-%1-%2.zip")
                             .arg(build)
                             .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    PartialFile partial(folder + QStringLiteral("/.") + name + QStringLiteral(".partial"));
    if (!partial.file().open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        fail(QStringLiteral("cannot create %1").arg(partial.file().fileName()),
             partial.file().errorString());
    }

    const std::unique_ptr<QNetworkReply> reply(network_.get(
        request(url, "application/zip, application/octet-stream", settings_.limits.archiveIdleTimeout)));
    reply->setReadBufferSize(kReadBufferBytes);
    enum class Refusal { none, status, tooLarge, tooSlow, writeFailed };
    Refusal refusal = Refusal::none;
    // Ends the transfer; the first reason given is the one reported.
    const auto refuse = [&](Refusal why) {
        refusal = refusal == Refusal::none ? why : refusal;
        reply->abort();
    };
    qint64 received = 0;
    const auto store = [&] {
        if (!reply->isOpen()) {
            return;
        }
        const QByteArray data = reply->readAll();
        received += data.size();
        // Whatever it is, an endless body ends here.
        if (received > settings_.limits.maxArchiveBytes) {
            refuse(Refusal::tooLarge);
            return;
        }
        if (refusal != Refusal::none) {
            return;
        }
        // An error page is read to its end and dropped: Qt has already
        // failed the reply, and aborting it as well only confuses Qt.
        if (!isSuccess(httpStatus(reply.get()))) {
            refusal = Refusal::status;
            return;
        }
        if (partial.file().write(data) != data.size()) {
            refuse(Refusal::writeFailed);
        }
    };
    connect(reply.get(), &QNetworkReply::readyRead, this, store);
    // The idle timeout alone would let a server that trickles hold the
    // engine for ever.
    QTimer overall;
    overall.setSingleShot(true);
    connect(&overall, &QTimer::timeout, this, [&] { refuse(Refusal::tooSlow); });
    overall.start(settings_.limits.maxDownloadTime);
    waitFor(reply.get());
    overall.stop();
    store();

    const QString action = QStringLiteral("download of %1").arg(url.toDisplayString());
    if (stop_.stop_requested()) {
        fail(action, QStringLiteral("stopped"));
    }
    switch (refusal) {
        case Refusal::none:
            break;
        case Refusal::status:
            throw UpdateFailure(UpdaterError::remoteDownloadFailed);
        case Refusal::tooLarge:
            fail(action, QStringLiteral("the archive is larger than %1 bytes")
                             .arg(settings_.limits.maxArchiveBytes));
        case Refusal::tooSlow:
            fail(
                action,
                QStringLiteral("took longer than %1 seconds")
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(settings_.limits.maxDownloadTime)
                             .count()));
        case Refusal::writeFailed:
            fail(QStringLiteral("cannot write %1").arg(partial.file().fileName()),
                 partial.file().errorString());
    }
    const auto status = httpStatus(reply.get());
    if (status && !isSuccess(status)) {
        throw UpdateFailure(UpdaterError::remoteDownloadFailed);
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(action, reply->errorString());
    }
    if (!status) {
        throw UpdateFailure(UpdaterError::remoteDownloadFailed);
    }
    if (!partial.file().flush()) {
        fail(QStringLiteral("cannot write %1").arg(partial.file().fileName()),
             partial.file().errorString());
    }
    partial.file().close();
    const QString complete = folder + QLatin1Char('/') + name;
    // rename() never replaces an existing file.
    if (!partial.file().rename(complete)) {
        fail(QStringLiteral("cannot rename to %1").arg(complete), partial.file().errorString());
    }
    partial.keep();
    return complete;
}

}  // namespace corvane
