#include "update/UpdateManifest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include "json/ExactJsonNumbers.h"

namespace corvane {

namespace {

const QString kVersionKey = QStringLiteral("version");
const QString kBuildKey = QStringLiteral("build");
const QString kArchiveNameKey = QStringLiteral("archiveName");
const QString kSha256Key = QStringLiteral("sha256");

ManifestDecodeError failure(ManifestDecodeError::Kind kind, const QString& key = {}) {
    return ManifestDecodeError{kind, key, {}};
}

// The string under `key`, or why there is none.
std::variant<QString, ManifestDecodeError> stringMember(const QJsonObject& object,
                                                        const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) {
        return failure(ManifestDecodeError::Kind::missingKey, key);
    }
    if (!value.isString()) {
        return failure(ManifestDecodeError::Kind::wrongType, key);
    }
    return value.toString();
}

std::variant<qint64, ManifestDecodeError> buildMember(const QByteArray& json,
                                                      const QJsonObject& object) {
    const QJsonValue value = object.value(kBuildKey);
    if (value.isUndefined()) {
        return failure(ManifestDecodeError::Kind::missingKey, kBuildKey);
    }
    if (!value.isDouble()) {
        return failure(ManifestDecodeError::Kind::wrongType, kBuildKey);
    }
    // QJsonValue has already passed a number written with a fraction or an
    // exponent through a double, so the literal itself is read instead.
    // A fraction is reported like a number too large: either way the build
    // is not a whole 64-bit number.
    const auto exact = wholeNumberFromLiteral(rawObjectMembers(json).value(kBuildKey));
    const auto* whole = std::get_if<std::int64_t>(&exact);
    if (whole == nullptr) {
        return failure(ManifestDecodeError::Kind::numberOutOfRange, kBuildKey);
    }
    return qint64{*whole};
}

}  // namespace

QString ManifestDecodeError::description() const {
    switch (kind) {
        case Kind::invalidJson:
            return QStringLiteral("the manifest is not valid JSON: ") + detail;
        case Kind::notAnObject:
            return QStringLiteral("the manifest is not a JSON object");
        case Kind::missingKey:
            return QStringLiteral("the manifest has no \"%1\"").arg(key);
        case Kind::wrongType:
            return QStringLiteral("the manifest's \"%1\" has the wrong type").arg(key);
        case Kind::numberOutOfRange:
            return QStringLiteral("the manifest's \"%1\" is not a whole 64-bit number").arg(key);
    }
    return {};
}

std::variant<UpdateManifest, ManifestDecodeError> UpdateManifest::fromJson(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return ManifestDecodeError{
            ManifestDecodeError::Kind::invalidJson, {}, parseError.errorString()};
    }
    if (!document.isObject()) {
        return failure(ManifestDecodeError::Kind::notAnObject);
    }
    const QJsonObject object = document.object();

    auto version = stringMember(object, kVersionKey);
    if (auto* error = std::get_if<ManifestDecodeError>(&version)) {
        return *error;
    }
    auto build = buildMember(json, object);
    if (auto* error = std::get_if<ManifestDecodeError>(&build)) {
        return *error;
    }
    auto archiveName = stringMember(object, kArchiveNameKey);
    if (auto* error = std::get_if<ManifestDecodeError>(&archiveName)) {
        return *error;
    }
    auto sha256 = stringMember(object, kSha256Key);
    if (auto* error = std::get_if<ManifestDecodeError>(&sha256)) {
        return *error;
    }
    return UpdateManifest{std::get<QString>(std::move(version)), std::get<qint64>(build),
                          std::get<QString>(std::move(archiveName)),
                          std::get<QString>(std::move(sha256))};
}

QByteArray UpdateManifest::toJson() const {
    QJsonObject object;
    object.insert(kVersionKey, version);
    object.insert(kBuildKey, QJsonValue(build));
    object.insert(kArchiveNameKey, archiveName);
    object.insert(kSha256Key, sha256);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace corvane
