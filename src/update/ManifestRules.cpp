#include <algorithm>

#include "update/AppUpdater.h"

namespace corvane {

namespace {

// ASCII only: a full-width digit can never equal a computed digest, so
// accepting one would make every check download for nothing.
bool isHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

}  // namespace

bool AppUpdater::isSafeArchiveName(const QString& name) {
    if (name.isEmpty()) {
        return false;
    }
    if (name == QLatin1String(".") || name == QLatin1String("..")) {
        return false;
    }
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) {
        return false;
    }
    // A control character (a line feed, an escape) has no place in a file
    // name that ends up in paths and URLs.
    if (std::any_of(name.begin(), name.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; })) {
        return false;
    }
    return name.toLower().endsWith(QLatin1String(".zip"));
}

bool AppUpdater::isValidManifest(const UpdateManifest& manifest) {
    if (manifest.version.isEmpty() || manifest.build < 1) {
        return false;
    }
    if (!isSafeArchiveName(manifest.archiveName)) {
        return false;
    }
    if (manifest.sha256.size() != 64) {
        return false;
    }
    for (const QChar c : manifest.sha256) {
        if (!isHexDigit(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace corvane
