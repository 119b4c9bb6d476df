#include "state/SavedDisplayMode.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>
#include <utility>

#include "json/ExactJsonNumbers.h"

namespace corvane {

namespace {

const QString kId = QStringLiteral("id");
const QString kWidth = QStringLiteral("width");
const QString kHeight = QStringLiteral("height");
const QString kPixelWidth = QStringLiteral("pixelWidth");
const QString kPixelHeight = QStringLiteral("pixelHeight");
const QString kRefreshRate = QStringLiteral("refreshRate");
const QString kIoFlags = QStringLiteral("ioFlags");

// Reads the record's fields in their declaration order, so that the first
// faulty key is the one reported.
class FieldReader {
  public:
    FieldReader(const QJsonObject& object, QHash<QString, QByteArray> literals)
        : object_(object), literals_(std::move(literals)) {}

    std::optional<SavedModeDecodingError> error() const { return error_; }

    template <typename Integer>
    Integer integer(const QString& key) {
        if (error_ || !requireNumber(key)) {
            return 0;
        }
        // The value's own digits decide: Qt would have rounded a whole
        // number written with a fraction or exponent through a double.
        const auto whole = wholeNumberFromLiteral(literals_.value(key));
        if (const auto* fault = std::get_if<LiteralFault>(&whole)) {
            fail(*fault == LiteralFault::fractional ? SavedModeDecodingError::Kind::notWhole
                                                    : SavedModeDecodingError::Kind::outOfRange,
                 key);
            return 0;
        }
        const std::int64_t value = std::get<std::int64_t>(whole);
        if (!std::in_range<Integer>(value)) {
            fail(SavedModeDecodingError::Kind::outOfRange, key);
            return 0;
        }
        return static_cast<Integer>(value);
    }

    double number(const QString& key) {
        if (error_ || !requireNumber(key)) {
            return 0;
        }
        return object_.value(key).toDouble();
    }

  private:
    bool requireNumber(const QString& key) {
        if (!object_.contains(key)) {
            fail(SavedModeDecodingError::Kind::missingKey, key);
            return false;
        }
        if (!object_.value(key).isDouble()) {
            fail(SavedModeDecodingError::Kind::notANumber, key);
            return false;
        }
        return true;
    }

    void fail(SavedModeDecodingError::Kind kind, const QString& key) {
        error_ = SavedModeDecodingError(kind, key);
    }

    const QJsonObject& object_;
    QHash<QString, QByteArray> literals_;
    std::optional<SavedModeDecodingError> error_;
};

}  // namespace

SavedDisplayMode SavedDisplayMode::from(const DisplayModeInfo& mode) {
    return {mode.id,          mode.width,       mode.height, mode.pixelWidth,
            mode.pixelHeight, mode.refreshRate, mode.ioFlags};
}

DisplayModeInfo SavedDisplayMode::toDisplayModeInfo() const {
    return {id, width, height, pixelWidth, pixelHeight, refreshRate, ioFlags};
}

QString SavedModeDecodingError::description() const {
    switch (kind_) {
        case Kind::notAnObject:
            return QStringLiteral("saved mode is not a JSON object");
        case Kind::missingKey:
            return QStringLiteral("saved mode lacks \"%1\"").arg(key_);
        case Kind::notANumber:
            return QStringLiteral("saved mode's \"%1\" is not a number").arg(key_);
        case Kind::notWhole:
            return QStringLiteral("saved mode's \"%1\" is not a whole number").arg(key_);
        case Kind::outOfRange:
            return QStringLiteral("saved mode's \"%1\" is out of range").arg(key_);
    }
    return {};
}

std::optional<QByteArray> encodeSavedDisplayMode(const SavedDisplayMode& mode) {
    if (!std::isfinite(mode.refreshRate)) {
        return std::nullopt;
    }
    QJsonObject object;
    object.insert(kId, static_cast<qint64>(mode.id));
    object.insert(kWidth, static_cast<qint64>(mode.width));
    object.insert(kHeight, static_cast<qint64>(mode.height));
    object.insert(kPixelWidth, static_cast<qint64>(mode.pixelWidth));
    object.insert(kPixelHeight, static_cast<qint64>(mode.pixelHeight));
    object.insert(kRefreshRate, mode.refreshRate);
    object.insert(kIoFlags, static_cast<qint64>(mode.ioFlags));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

SavedModeDecoding decodeSavedDisplayMode(QByteArrayView json) {
    const QByteArray bytes = json.toByteArray();
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject()) {
        return SavedModeDecodingError(SavedModeDecodingError::Kind::notAnObject, {});
    }
    const QJsonObject object = document.object();
    FieldReader reader(object, rawObjectMembers(bytes));
    SavedDisplayMode mode;
    mode.id = reader.integer<std::int32_t>(kId);
    mode.width = reader.integer<std::int64_t>(kWidth);
    mode.height = reader.integer<std::int64_t>(kHeight);
    mode.pixelWidth = reader.integer<std::int64_t>(kPixelWidth);
    mode.pixelHeight = reader.integer<std::int64_t>(kPixelHeight);
    mode.refreshRate = reader.number(kRefreshRate);
    mode.ioFlags = reader.integer<std::uint32_t>(kIoFlags);
    if (const auto error = reader.error()) {
        return *error;
    }
    return mode;
}

}  // namespace corvane
