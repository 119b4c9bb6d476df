#include "support/https/HttpsServer.h"

#include <signal.h>
#include <sys/prctl.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <stdexcept>

namespace corvane::testing {

namespace {

const char kOpensslConfig[] = R"([req]
distinguished_name = dn
prompt = no
[dn]
CN = corvane
[authority]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign
[server]
basicConstraints = critical,CA:FALSE
subjectAltName = IP:127.0.0.1
extendedKeyUsage = serverAuth
)";

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

void openssl(const QDir& dir, QStringList arguments) {
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    arguments = QStringList{"req",
                            "-config",
                            "openssl.cnf",
                            "-x509",
                            "-days",
                            "2",
                            "-nodes",
                            "-newkey",
                            "ec",
                            "-pkeyopt",
                            "ec_paramgen_curve:prime256v1"} +
                arguments;
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        throw std::runtime_error("openssl failed: " + process.readAll().toStdString());
    }
}

// A port free a moment ago; another process may still take it first.
quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

HttpsServer::HttpsServer() : dir_(QDir::tempPath() + QStringLiteral("/corvane-https-XXXXXX")) {
    const QDir dir(dir_.path());
    if (!dir_.isValid() || !dir.mkpath("root") || !dir.mkpath("temp")) {
        throw std::runtime_error("cannot prepare a folder for nginx");
    }
    write(dir.filePath("openssl.cnf"), kOpensslConfig);
    openssl(dir, {"-extensions", "authority", "-subj", "/CN=Corvane Test CA", "-keyout", "ca.key",
                  "-out", "ca.pem"});
    openssl(dir, {"-extensions", "server", "-subj", "/CN=127.0.0.1", "-CA", "ca.pem", "-CAkey",
                  "ca.key", "-keyout", "server.key", "-out", "server.pem"});
    // Another test may take the port between probing and binding: retry.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (start()) {
            return;
        }
    }
    throw std::runtime_error("nginx did not start: " +
                             read(dir.filePath("error.log")).toStdString());
}

bool HttpsServer::start() {
    const QDir dir(dir_.path());
    port_ = freePort();
    const QString location = QStringLiteral("alias %1/; ").arg(root());
    const QString config =
        QStringLiteral(
            "daemon off; master_process off; pid %1/nginx.pid; error_log %1/error.log;\n"
            "events { worker_connections 64; }\n"
            "http {\n"
            "  log_format corvane '$request_method $request_uri $status "
            "\"$http_accept\" \"$http_cache_control\"';\n"
            "  access_log %1/access.log corvane;\n"
            "  client_body_temp_path %1/temp/body; proxy_temp_path %1/temp/proxy;\n"
            "  fastcgi_temp_path %1/temp/fastcgi; uwsgi_temp_path %1/temp/uwsgi;\n"
            "  scgi_temp_path %1/temp/scgi;\n"
            "  server {\n"
            "    listen 127.0.0.1:%2 ssl;\n"
            "    ssl_certificate %1/server.pem; ssl_certificate_key %1/server.key;\n"
            "    root %1/root;\n"
            "    location /slow/ { %3 limit_rate 1k; limit_rate_after 0; }\n"
            "    location /chunked/ { %3 gzip on; gzip_types *; gzip_min_length 0; }\n"
            "  }\n"
            "}\n")
            .arg(dir.path())
            .arg(port_)
            .arg(location);
    write(dir.filePath("nginx.conf"), config.toUtf8());
    QFile::remove(dir.filePath("error.log"));
    nginx_.setStandardOutputFile(QProcess::nullDevice());
    nginx_.setStandardErrorFile(QProcess::nullDevice());
    nginx_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    nginx_.start(QStringLiteral("nginx"), {"-e", dir.filePath("error.log"), "-p", dir.path(), "-c",
                                           dir.filePath("nginx.conf")});
    nginx_.waitForStarted();
    for (int wait = 0; wait < 200 && nginx_.state() == QProcess::Running; ++wait) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        if (probe.waitForConnected(100)) {
            return true;
        }
        QThread::msleep(20);
    }
    nginx_.kill();
    nginx_.waitForFinished();
    return false;
}

HttpsServer::~HttpsServer() {
    nginx_.terminate();  // SIGTERM to its process id
    if (!nginx_.waitForFinished(10000)) {
        nginx_.kill();
        nginx_.waitForFinished();
    }
}

QUrl HttpsServer::url(const QString& path) const {
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(port_).arg(path));
}

QStringList HttpsServer::accessLog() const {
    return QString::fromUtf8(read(dir_.filePath(QStringLiteral("access.log"))))
        .split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace corvane::testing
