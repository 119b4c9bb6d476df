#include "update/AppUpdater.h"

namespace corvane {

namespace {

// The hexadecimal digits, together with their full-width compatibility forms.
bool isHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F') ||
           (u >= u'\uFF10' && u <= u'\uFF19') || (u >= u'\uFF21' && u <= u'\uFF26') ||
           (u >= u'\uFF41' && u <= u'\uFF46');
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
    return name.toLower().endsWith(QLatin1String(".zip"));
}

bool AppUpdater::isValidManifest(const UpdateManifest& manifest) {
    if (manifest.version.isEmpty() || manifest.build < 1) {
        return false;
    }
    if (!isSafeArchiveName(manifest.archiveName)) {
        return false;
    }
    // Every accepted digit is one UTF-16 unit, so counting units counts digits.
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
