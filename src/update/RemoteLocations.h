#pragma once

#include <QString>
#include <QUrl>
#include <QtGlobal>

namespace corvane {

// The manifest URL to request: `url` with one query item "client_build"
// holding `currentBuild` in decimal appended after any query items it
// already has (an existing "client_build" stays). `url` unchanged when it
// cannot be taken apart and put together again.
QUrl cacheBustedURL(const QUrl& url, qint64 currentBuild);

// The archive beside the manifest: `feedURL` with its last path component
// replaced by `archiveName`, and no query.
QUrl archiveURL(const QUrl& feedURL, const QString& archiveName);

}  // namespace corvane
