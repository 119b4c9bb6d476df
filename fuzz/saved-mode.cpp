// Saved-mode decoding: any bytes decode or fail without a fault, and a
// decoded mode encodes to JSON that decodes to the very same mode.
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdlib>

#include "state/SavedDisplayMode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    const SavedModeDecoding decoded = decodeSavedDisplayMode(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const auto* mode = std::get_if<SavedDisplayMode>(&decoded);
    if (mode == nullptr) {
        std::get<SavedModeDecodingError>(decoded).description();
        return 0;
    }
    // The exact fields agree with Qt's own reading wherever a double holds
    // the number exactly.
    const QJsonObject object =
        QJsonDocument::fromJson(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)))
            .object();
    const std::pair<const char*, double> fields[] = {{"id", double(mode->id)},
                                                     {"width", double(mode->width)},
                                                     {"height", double(mode->height)},
                                                     {"pixelWidth", double(mode->pixelWidth)},
                                                     {"pixelHeight", double(mode->pixelHeight)},
                                                     {"ioFlags", double(mode->ioFlags)}};
    for (const auto& [key, value] : fields) {
        const double qt = object.value(QLatin1String(key)).toDouble();
        if (std::abs(qt) < 0x1p53 && qt != value) {
            std::abort();
        }
    }
    const auto encoded = encodeSavedDisplayMode(*mode);
    if (!encoded) {
        // Only a rate JSON cannot hold is left unencoded.
        if (std::isfinite(mode->refreshRate)) {
            std::abort();
        }
        return 0;
    }
    if (decodeSavedDisplayMode(*encoded) != SavedModeDecoding(*mode)) {
        std::abort();
    }
    mode->toDisplayModeInfo();
    return 0;
}
