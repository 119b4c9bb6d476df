#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QString>
#include <QTextLayout>

namespace corvane::testing {

// How many glyphs of `text` in `font` (with the font fallback the painter
// would use) are the missing-glyph box, glyph index 0.
inline int missingGlyphs(const QFont& font, const QString& text) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int missing = 0;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (quint32 index : run.glyphIndexes()) {
            if (index == 0) {
                ++missing;
            }
        }
    }
    return missing;
}

}  // namespace corvane::testing
