#include "update/BuildNumber.h"

namespace corvane {

qint64 buildNumberFromBundleVersion(const std::optional<QString>& text) {
    if (!text) {
        return 0;
    }
    // toLongLong alone would accept surrounding spaces, so the shape is
    // checked first and toLongLong only detects overflow.
    const qsizetype start =
        text->startsWith(QLatin1Char('+')) || text->startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text->size() == start) {
        return 0;
    }
    for (qsizetype i = start; i < text->size(); ++i) {
        const char16_t c = text->at(i).unicode();
        if (c < u'0' || c > u'9') {
            return 0;
        }
    }
    bool ok = false;
    const qint64 value = text->toLongLong(&ok, 10);
    return ok ? value : 0;
}

}  // namespace corvane
