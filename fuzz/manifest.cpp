// Manifest decoding: any bytes decode or fail without a fault, and a decoded
// manifest survives its own JSON form unchanged.
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdlib>

#include "update/UpdateManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using corvane::UpdateManifest;
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto decoded = UpdateManifest::fromJson(json);
    const auto* manifest = std::get_if<UpdateManifest>(&decoded);
    if (manifest == nullptr) {
        std::get<corvane::ManifestDecodeError>(decoded).description();
        return 0;
    }
    // The exact build agrees with Qt's own reading wherever a double holds
    // the number exactly.
    const double qt =
        QJsonDocument::fromJson(json).object().value(QLatin1String("build")).toDouble();
    if (std::abs(qt) < 0x1p53 && qt != static_cast<double>(manifest->build)) {
        std::abort();
    }
    // Texts may change once on the way out (an unpaired surrogate becomes a
    // replacement character), the build never; after that the form is fixed.
    const auto again = UpdateManifest::fromJson(manifest->toJson());
    const auto* second = std::get_if<UpdateManifest>(&again);
    if (second == nullptr || second->build != manifest->build ||
        UpdateManifest::fromJson(second->toJson()) != decltype(again)(*second)) {
        std::abort();
    }
    return 0;
}
