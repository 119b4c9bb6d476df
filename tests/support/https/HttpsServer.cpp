#include "support/https/HttpsServer.h"

#include <signal.h>
#include <sys/prctl.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <stdexcept>

namespace corvane::testing {

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char kConfig[] = R"(daemon off; master_process off; pid %1/nginx.pid; error_log %1/error.log;
events { worker_connections 64; }
http {
  log_format corvane '$request_method $request_uri $status "$http_accept" "$http_cache_control"';
  access_log %1/access.log corvane;
  client_body_temp_path %1/body; proxy_temp_path %1/proxy; fastcgi_temp_path %1/fastcgi;
  uwsgi_temp_path %1/uwsgi; scgi_temp_path %1/scgi;
  server {
    listen 127.0.0.1:%2 ssl http2; ssl_certificate %1/server.pem; ssl_certificate_key %1/server.key;
    listen 127.0.0.1:%3;
    root %1/root;
    location /slow/ { alias %1/root/; limit_rate 1k; limit_rate_after 0; }
    location /chunked/ { alias %1/root/; gzip on; gzip_types *; gzip_min_length 0; }
    location /fail/ { alias %1/root/; }
    location ~ ^/fail/.*\.zip$ { return 500; }
    location /plain/ { rewrite ^/plain/(.*)$ http://127.0.0.1:%3/$1 redirect; }
  }
})";

}  // namespace

HttpsServer::HttpsServer() : dir_(QDir::tempPath() + QStringLiteral("/corvane-https-XXXXXX")) {
    if (!dir_.isValid() || !QDir(dir_.path()).mkpath("root")) {
        throw std::runtime_error("cannot make a folder for nginx");
    }
    // The certificate authority, then the server's certificate signed by it.
    for (const QStringList& names :
         {QStringList{"-subj", "/CN=Corvane Test CA", "-keyout", "ca.key", "-out", "ca.pem"},
          QStringList{"-subj", "/CN=127.0.0.1", "-CA", "ca.pem", "-CAkey", "ca.key", "-extensions",
                      "v3_req", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", "server.key",
                      "-out", "server.pem"}}) {
        QProcess openssl;
        openssl.setWorkingDirectory(dir_.path());
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start("openssl",
                      QStringList{"req", "-x509", "-newkey", "ec", "-pkeyopt",
                                  "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2"} +
                          names);
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
            throw std::runtime_error("openssl failed: " + openssl.readAll().toStdString());
        }
    }
    // Another process may take the free port first: then try another.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (start()) {
            return;
        }
    }
    throw std::runtime_error("nginx did not start: " +
                             readAll(dir_.filePath("error.log")).toStdString());
}

bool HttpsServer::start() {
    QTcpServer probe, plainProbe;
    probe.listen(QHostAddress::LocalHost, 0);
    plainProbe.listen(QHostAddress::LocalHost, 0);
    port_ = probe.serverPort();
    const quint16 plainPort = plainProbe.serverPort();
    probe.close();
    plainProbe.close();
    // A configuration that cannot be written makes nginx fail, with the reason in its log.
    QFile config(dir_.filePath("nginx.conf"));
    config.open(QIODevice::WriteOnly);
    config.write(QString(kConfig).arg(dir_.path()).arg(port_).arg(plainPort).toUtf8());
    config.close();
    nginx_.setStandardOutputFile(QProcess::nullDevice());
    nginx_.setStandardErrorFile(QProcess::nullDevice());
    nginx_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    nginx_.start("nginx", {"-e", dir_.filePath("error.log"), "-p", dir_.path(), "-c",
                           dir_.filePath("nginx.conf")});
    nginx_.waitForStarted();
    for (int wait = 0; wait < 100 && nginx_.state() == QProcess::Running; ++wait) {
        QTcpSocket connection;
        connection.connectToHost(QHostAddress::LocalHost, port_);
        if (connection.waitForConnected(100)) {
            return true;
        }
        nginx_.waitForFinished(20);
    }
    nginx_.kill();
    nginx_.waitForFinished();
    return false;
}

HttpsServer::~HttpsServer() {
    nginx_.terminate();  // SIGTERM to its process id; killed if it outlives the wait
    nginx_.waitForFinished(10000);
}

QUrl HttpsServer::url(const QString& path) const {
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(port_).arg(path));
}

QStringList HttpsServer::accessLog() const {
    return QString::fromUtf8(readAll(dir_.filePath("access.log"))).split('\n', Qt::SkipEmptyParts);
}

}  // namespace corvane::testing
