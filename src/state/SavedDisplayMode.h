#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

#include "display/DisplayMode.h"

namespace corvane {

// The mode the user last chose for a display, as it is kept between
// launches: a field-for-field copy of DisplayModeInfo.
struct SavedDisplayMode {
    std::int32_t id = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    double refreshRate = 0;
    std::uint32_t ioFlags = 0;

    bool operator==(const SavedDisplayMode&) const = default;

    static SavedDisplayMode from(const DisplayModeInfo& mode);
    DisplayModeInfo toDisplayModeInfo() const;
};

// Why stored bytes are not a saved mode.
class SavedModeDecodingError {
  public:
    enum class Kind {
        notAnObject,  // not JSON, or JSON whose top level is not an object
        missingKey,   // one of the seven keys is absent
        notANumber,   // the value is null, a string, a boolean, an array or an object
        notWhole,     // an integer field holds a fraction
        outOfRange,   // an integer field does not fit its type
    };

    SavedModeDecodingError(Kind kind, QString key) : kind_(kind), key_(std::move(key)) {}

    Kind kind() const { return kind_; }
    // The offending key; empty for notAnObject.
    const QString& key() const { return key_; }
    QString description() const;

    bool operator==(const SavedModeDecodingError&) const = default;

  private:
    Kind kind_;
    QString key_;
};

using SavedModeDecoding = std::variant<SavedDisplayMode, SavedModeDecodingError>;

// The JSON object with the seven keys "id", "width", "height",
// "pixelWidth", "pixelHeight", "refreshRate" and "ioFlags", as UTF-8.
// Absent when the rate is not finite, which JSON cannot express.
std::optional<QByteArray> encodeSavedDisplayMode(const SavedDisplayMode& mode);

// Reads the JSON form back. Every one of the seven keys is required and
// other keys are ignored; integer fields must be whole and fit their type
// exactly, while the rate may be any number.
SavedModeDecoding decodeSavedDisplayMode(QByteArrayView json);

}  // namespace corvane
