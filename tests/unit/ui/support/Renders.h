#pragma once

#include <QDir>
#include <QImage>
#include <QString>

namespace corvane::testing {

// Saves a render for people to look at, under the build's renders folder.
// Returns false when the image could not be written.
inline bool saveRender(const QImage& image, const QString& fileName) {
    const QDir folder(QStringLiteral(CORVANE_RENDER_DIR));
    if (!folder.mkpath(QStringLiteral("."))) {
        return false;
    }
    return image.save(folder.filePath(fileName), "PNG");
}

}  // namespace corvane::testing
