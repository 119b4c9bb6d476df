#include "update/UpdateFeed.h"

#include <QDir>
#include <QString>

#include "update/UniqueFolders.h"

#ifndef CORVANE_RELEASE_SERVER
#error "CORVANE_RELEASE_SERVER must name the release server, as https://host[:port]"
#endif

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

QUrl UpdateFeed::remoteFeedURL() {
    static const QUrl url(QStringLiteral(CORVANE_RELEASE_SERVER "/updates/display/latest.json"),
                          QUrl::StrictMode);
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
