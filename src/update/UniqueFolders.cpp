#include "update/UniqueFolders.h"

#include <QDir>
#include <QSet>
#include <QString>

namespace corvane {

QList<QUrl> unique(const QList<QUrl>& urls) {
    QList<QUrl> result;
    QSet<QString> seen;
    for (const QUrl& url : urls) {
        // cleanPath is purely textual, so symbolic links stay as they are.
        const QString path = QDir::cleanPath(url.path());
        if (!seen.contains(path)) {
            seen.insert(path);
            result.append(url);
        }
    }
    return result;
}

}  // namespace corvane
