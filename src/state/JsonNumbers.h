#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <cstdint>
#include <variant>

namespace corvane {

// The members of a JSON object as they are written: each top-level key
// (unescaped) with the untouched text of its value. A key that occurs more
// than once keeps its last value, as QJsonDocument does. The text must
// already be known to be a valid JSON object.
QHash<QString, QByteArray> rawObjectMembers(QByteArrayView json);

enum class LiteralFault {
    malformed,   // not a JSON number
    fractional,  // has a non-zero fractional part
    outOfRange,  // whole, but outside the signed 64-bit range
};

// The exact value of a JSON number literal that denotes a whole number
// ("42", "-7", "60.0", "1.5e1"), worked out on the decimal digits so that
// large integers are never rounded through a double.
std::variant<std::int64_t, LiteralFault> wholeNumberFromLiteral(QByteArrayView literal);

}  // namespace corvane
