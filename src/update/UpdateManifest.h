#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <variant>

namespace corvane {

// Why a manifest document could not be decoded.
struct ManifestDecodeError {
    enum class Kind {
        invalidJson,       // not one well-formed JSON document
        notAnObject,       // the document is not a JSON object
        missingKey,        // a required key is absent
        wrongType,         // a value is null or of another JSON type
        numberOutOfRange,  // "build" is not a whole number within 64 bits
    };

    Kind kind = Kind::invalidJson;
    QString key;     // the key concerned; empty for the document-level kinds
    QString detail;  // the JSON parser's message for invalidJson

    QString description() const;
    bool operator==(const ManifestDecodeError&) const = default;
};

// The release manifest, "latest.json": the newest published build, its
// version text, its zip archive's file name and the archive's digest.
struct UpdateManifest {
    QString version;
    qint64 build = 0;
    QString archiveName;
    QString sha256;  // 64 hexadecimal digits, either case

    bool operator==(const UpdateManifest&) const = default;

    // Reads one JSON object with the keys "version", "build", "archiveName"
    // and "sha256"; every key is required and other keys are ignored. A
    // "build" must be exactly a whole number within the signed 64-bit range
    // as written (57.0 and 5.7e1 are 57; 57.5 is not a build number), with no
    // rounding through a double on the way.
    static std::variant<UpdateManifest, ManifestDecodeError> fromJson(const QByteArray& json);

    // The same JSON form, as a compact document.
    QByteArray toJson() const;
};

}  // namespace corvane
