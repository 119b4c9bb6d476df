#include "update/RemoteLocations.h"

#include <QUrlQuery>

namespace corvane {

QUrl cacheBustedURL(const QUrl& url, qint64 currentBuild) {
    if (!url.isValid()) {
        return url;
    }
    QUrlQuery query(url);
    query.addQueryItem(QStringLiteral("client_build"), QString::number(currentBuild));
    QUrl busted = url;
    busted.setQuery(query);
    return busted.isValid() ? busted : url;
}

QUrl archiveURL(const QUrl& feedURL, const QString& archiveName) {
    QUrl archive =
        feedURL.adjusted(QUrl::RemoveFilename | QUrl::RemoveQuery | QUrl::RemoveFragment);
    // One path component: characters such as "?" or "#" in the name are
    // encoded, never read as a query or fragment.
    archive.setPath(archive.path() + archiveName, QUrl::DecodedMode);
    return archive;
}

}  // namespace corvane
