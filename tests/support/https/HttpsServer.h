#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace corvane::testing {

// nginx serving a folder over HTTPS on 127.0.0.1, with a certificate from a
// certificate authority made for this server alone (trusted by nothing but
// the test that hands its certificate to the code under test). Every path is
// also served under "/slow/" at 1 KiB per second and under "/chunked/"
// compressed, without a Content-Length. The constructor returns once the
// server accepts connections and throws std::runtime_error when it cannot
// start; the destructor stops it by its process id. It also ends when the
// test process dies.
class HttpsServer {
  public:
    HttpsServer();
    ~HttpsServer();
    HttpsServer(const HttpsServer&) = delete;
    HttpsServer& operator=(const HttpsServer&) = delete;

    QString root() const { return dir_.filePath(QStringLiteral("root")); }
    QUrl url(const QString& path) const;
    QString authorityCertificate() const { return dir_.filePath(QStringLiteral("ca.pem")); }
    // One line per request so far: method, URI with query, status, then the
    // "Accept" and "Cache-Control" headers in double quotes.
    QStringList accessLog() const;

  private:
    bool start();

    QTemporaryDir dir_;
    QProcess nginx_;
    quint16 port_ = 0;
};

}  // namespace corvane::testing
