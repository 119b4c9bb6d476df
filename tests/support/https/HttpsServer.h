#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace corvane::testing {

// nginx serving root() over HTTPS (HTTP/1.1 and HTTP/2) on 127.0.0.1, with
// a certificate from a certificate authority made for it alone and trusted
// by nothing but the test that hands authorityCertificate() to the code
// under test. Every path is also served under "/slow/" at 1 KiB/s, under
// "/chunked/" compressed, without a Content-Length, under "/fail/" with
// status 500 for every ".zip", and under "/plain/" as a redirect to the same
// path over plain HTTP on another port. The constructor returns
// once nginx accepts connections (throwing std::runtime_error when it cannot
// start); the destructor stops it by its process id, as does the test
// process's death.
class HttpsServer {
  public:
    HttpsServer();
    ~HttpsServer();

    QString root() const { return dir_.filePath(QStringLiteral("root")); }
    QString authorityCertificate() const { return dir_.filePath(QStringLiteral("ca.pem")); }
    // The server's own certificate and key, for a test's own servers.
    QString serverCertificate() const { return dir_.filePath(QStringLiteral("server.pem")); }
    QString serverKey() const { return dir_.filePath(QStringLiteral("server.key")); }
    QUrl url(const QString& path) const;
    // One line per request: method, URI, status, then the "Accept" and
    // "Cache-Control" headers in double quotes.
    QStringList accessLog() const;

  private:
    bool start();

    QTemporaryDir dir_;
    QProcess nginx_;
    quint16 port_ = 0;
};

}  // namespace corvane::testing
