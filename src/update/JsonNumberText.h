#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace corvane {

// The JSON text of the value of `key` in the top-level object of `json`,
// exactly as written; the last such member when the key repeats, which is
// the one QJsonDocument keeps. Expects a document that QJsonDocument has
// already accepted; returns nothing for anything else.
std::optional<QByteArrayView> rawMemberValue(QByteArrayView json, QStringView key);

// The exact value of a JSON number literal when it is a whole number within
// the signed 64-bit range, worked out on the decimal digits themselves so
// that no value is rounded: "57", "57.0", "5.7e1" and "-0" are whole
// numbers; "57.5" and "9223372036854775808" are not.
std::optional<qint64> exactJsonInteger(QByteArrayView literal);

}  // namespace corvane
