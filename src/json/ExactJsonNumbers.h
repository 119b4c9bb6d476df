#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <cstdint>
#include <variant>

// QJsonValue keeps every number as a double, so a whole number beyond 2^53,
// or one written with a fraction or an exponent, has already been rounded by
// the time it is read. These functions read the number's own text instead.

namespace corvane {

// The members of a JSON object as they are written: each top-level key
// (unescaped) with the untouched text of its value. A key that occurs more
// than once keeps its last value, as QJsonDocument does. Meant for text that
// QJsonDocument has accepted as an object: only the layout of the members is
// checked, not the values themselves, and anything that is not laid out as an
// object gives no members at all.
QHash<QString, QByteArray> rawObjectMembers(QByteArrayView json);

enum class LiteralFault {
    malformed,   // not a JSON number
    fractional,  // has a non-zero fractional part
    outOfRange,  // whole, but outside the signed 64-bit range
};

// The exact value of a JSON number literal that denotes a whole number: "42",
// "-0", "60.000", "1.5e1" and "1200e-2" do; "0.5" and "1e-400" are
// fractional; "9223372036854775808" is out of range. The decimal digits are
// worked out themselves, so large integers are never rounded through a
// double.
std::variant<std::int64_t, LiteralFault> wholeNumberFromLiteral(QByteArrayView literal);

}  // namespace corvane
