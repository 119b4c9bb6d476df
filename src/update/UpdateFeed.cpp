#include "update/UpdateFeed.h"

#include <QDir>
#include <QString>

#include "update/UniqueFolders.h"

namespace corvane {

namespace {

QUrl appending(const QUrl& folder, const QString& component) {
    QString path = folder.toLocalFile();
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return QUrl::fromLocalFile(path + component);
}

QUrl homeFolder() {
    return QUrl::fromLocalFile(QDir::homePath());
}

}  // namespace

std::optional<QUrl> UpdateFeed::feedURLFromBundleValue(const std::optional<QString>& value) {
    if (!value) {
        return std::nullopt;
    }
    const QUrl url(*value, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty() ||
        !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment() ||
        url.path() != QLatin1String("/updates/display/latest.json")) {
        return std::nullopt;
    }
    return url;
}

QUrl UpdateFeed::applicationSupportDirectory() {
    QUrl folder = appending(homeFolder(), QStringLiteral("Library"));
    folder = appending(folder, QStringLiteral("Application Support"));
    return appending(folder, QStringLiteral("Corvane"));
}

QUrl UpdateFeed::cloudDocumentsDirectory() {
    QUrl folder = appending(homeFolder(), QStringLiteral("Library"));
    folder = appending(folder, QStringLiteral("Mobile Documents"));
    return appending(folder, QStringLiteral("com~apple~CloudDocs"));
}

QUrl UpdateFeed::legacyUpdatesDirectory() {
    QUrl folder = appending(cloudDocumentsDirectory(), QStringLiteral("Documents"));
    folder = appending(folder, QStringLiteral("Halvern"));
    folder = appending(folder, QStringLiteral("Corvane"));
    return appending(folder, QStringLiteral("Updates"));
}

QList<QUrl> UpdateFeed::candidateDirectories() {
    return unique({appending(cloudDocumentsDirectory(), QStringLiteral("Corvane")),
                   legacyUpdatesDirectory()});
}

}  // namespace corvane
