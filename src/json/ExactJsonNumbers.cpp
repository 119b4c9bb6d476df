#include "json/ExactJsonNumbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <limits>
#include <optional>

namespace corvane {

namespace {

bool isJsonSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

qsizetype skipSpace(QByteArrayView json, qsizetype pos) {
    while (pos < json.size() && isJsonSpace(json[pos])) {
        ++pos;
    }
    return pos;
}

// QJsonDocument accepts a UTF-8 byte order mark before the document, so the
// scan must step over it too or the two would disagree about the members.
qsizetype startOfDocument(QByteArrayView json) {
    constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");
    return skipSpace(json, json.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0);
}

// Index just past the string whose opening quote is at `pos`, or -1.
qsizetype endOfString(QByteArrayView json, qsizetype pos) {
    for (qsizetype i = pos + 1; i < json.size(); ++i) {
        if (json[i] == '\\') {
            ++i;
        } else if (json[i] == '"') {
            return i + 1;
        }
    }
    return -1;
}

// Index just past the value that starts at `pos`, or -1.
qsizetype endOfValue(QByteArrayView json, qsizetype pos) {
    if (pos >= json.size()) {
        return -1;
    }
    const char first = json[pos];
    if (first == '"') {
        return endOfString(json, pos);
    }
    if (first == '{' || first == '[') {
        int depth = 0;
        for (qsizetype i = pos; i < json.size(); ++i) {
            const char c = json[i];
            if (c == '"') {
                i = endOfString(json, i);
                if (i < 0) {
                    return -1;
                }
                --i;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if ((c == '}' || c == ']') && --depth == 0) {
                return i + 1;
            }
        }
        return -1;
    }
    qsizetype i = pos;
    while (i < json.size() && !isJsonSpace(json[i]) && json[i] != ',' && json[i] != '}' &&
           json[i] != ']') {
        ++i;
    }
    return i == pos ? -1 : i;
}

// A key may be written with escapes ("\u0069d"); the JSON parser itself
// undoes them rather than this file repeating its rules.
QString decodeKey(QByteArrayView quoted) {
    const QByteArrayView inner = quoted.sliced(1, quoted.size() - 2);
    if (!inner.contains('\\')) {
        return QString::fromUtf8(inner);
    }
    const QByteArray wrapped = '[' + quoted.toByteArray() + ']';
    return QJsonDocument::fromJson(wrapped).array().at(0).toString();
}

std::optional<QHash<QString, QByteArray>> scanMembers(QByteArrayView json) {
    qsizetype pos = startOfDocument(json);
    if (pos >= json.size() || json[pos] != '{') {
        return std::nullopt;
    }
    QHash<QString, QByteArray> members;
    pos = skipSpace(json, pos + 1);
    if (pos < json.size() && json[pos] == '}') {
        return skipSpace(json, pos + 1) == json.size() ? std::optional(members) : std::nullopt;
    }
    while (pos < json.size() && json[pos] == '"') {
        const qsizetype keyEnd = endOfString(json, pos);
        if (keyEnd < 0) {
            return std::nullopt;
        }
        const QByteArrayView quotedKey = json.sliced(pos, keyEnd - pos);
        pos = skipSpace(json, keyEnd);
        if (pos >= json.size() || json[pos] != ':') {
            return std::nullopt;
        }
        pos = skipSpace(json, pos + 1);
        const qsizetype valueEnd = endOfValue(json, pos);
        if (valueEnd < 0) {
            return std::nullopt;
        }
        members.insert(decodeKey(quotedKey), json.sliced(pos, valueEnd - pos).toByteArray());
        pos = skipSpace(json, valueEnd);
        if (pos < json.size() && json[pos] == ',') {
            pos = skipSpace(json, pos + 1);
        } else if (pos < json.size() && json[pos] == '}') {
            return skipSpace(json, pos + 1) == json.size() ? std::optional(members) : std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

QHash<QString, QByteArray> rawObjectMembers(QByteArrayView json) {
    return scanMembers(json).value_or(QHash<QString, QByteArray>{});
}

std::variant<std::int64_t, LiteralFault> wholeNumberFromLiteral(QByteArrayView literal) {
    const qsizetype size = literal.size();
    qsizetype pos = 0;
    const bool negative = pos < size && literal[pos] == '-';
    if (negative) {
        ++pos;
    }

    // The value is digits × 10^scale, with the fraction's digits appended.
    QByteArray digits;
    std::int64_t scale = 0;
    while (pos < size && isDigit(literal[pos])) {
        digits += literal[pos++];
    }
    if (digits.isEmpty()) {
        return LiteralFault::malformed;
    }
    if (pos < size && literal[pos] == '.') {
        const qsizetype fractionStart = ++pos;
        while (pos < size && isDigit(literal[pos])) {
            digits += literal[pos++];
            --scale;
        }
        if (pos == fractionStart) {
            return LiteralFault::malformed;
        }
    }
    if (pos < size && (literal[pos] == 'e' || literal[pos] == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < size && (literal[pos] == '+' || literal[pos] == '-')) {
            negativeExponent = literal[pos++] == '-';
        }
        const qsizetype exponentStart = pos;
        // The exponent saturates: beyond a million the answer no longer
        // changes (zero, a fraction or far out of range), and the cap keeps
        // the arithmetic below from overflowing.
        constexpr std::int64_t kExponentCap = 1'000'000;
        std::int64_t exponent = 0;
        while (pos < size && isDigit(literal[pos])) {
            exponent = std::min(exponent * 10 + (literal[pos++] - '0'), kExponentCap);
        }
        if (pos == exponentStart) {
            return LiteralFault::malformed;
        }
        scale += negativeExponent ? -exponent : exponent;
    }
    if (pos != size) {
        return LiteralFault::malformed;
    }

    qsizetype first = 0;
    while (first < digits.size() && digits[first] == '0') {
        ++first;
    }
    qsizetype last = digits.size();
    while (last > first && digits[last - 1] == '0') {
        --last;
        ++scale;
    }
    if (first == last) {
        return std::int64_t{0};
    }
    if (scale < 0) {
        return LiteralFault::fractional;
    }
    // 2^63 has 19 digits; anything longer cannot fit.
    if ((last - first) + scale > 19) {
        return LiteralFault::outOfRange;
    }
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;  // |INT64_MIN|
    std::uint64_t magnitude = 0;
    for (qsizetype i = first; i < last; ++i) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    }
    for (std::int64_t i = 0; i < scale; ++i) {
        if (magnitude > kLimit / 10) {
            return LiteralFault::outOfRange;
        }
        magnitude *= 10;
    }
    if (magnitude > kLimit || (!negative && magnitude == kLimit)) {
        return LiteralFault::outOfRange;
    }
    if (negative) {
        return magnitude == kLimit ? std::numeric_limits<std::int64_t>::min()
                                   : -static_cast<std::int64_t>(magnitude);
    }
    return static_cast<std::int64_t>(magnitude);
}

}  // namespace corvane
