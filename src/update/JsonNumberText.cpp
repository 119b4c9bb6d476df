#include "update/JsonNumberText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <algorithm>
#include <limits>
#include <string>

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

// Index just past the string that starts with the quote at `pos`, or -1.
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
            } else if (c == '}' || c == ']') {
                if (--depth == 0) {
                    return i + 1;
                }
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

// A member name may be written with escapes ("\u0062uild"); let the JSON
// parser itself decode those rather than repeating its rules.
bool keyEquals(QByteArrayView token, QStringView key) {
    if (!token.contains('\\')) {
        return QString::fromUtf8(token.sliced(1, token.size() - 2)) == key;
    }
    const QByteArray wrapped = QByteArray("[") + token.toByteArray() + "]";
    const QJsonDocument document = QJsonDocument::fromJson(wrapped);
    return document.isArray() && document.array().at(0).toString() == key;
}

}  // namespace

std::optional<QByteArrayView> rawMemberValue(QByteArrayView json, QStringView key) {
    qsizetype pos = skipSpace(json, 0);
    if (pos >= json.size() || json[pos] != '{') {
        return std::nullopt;
    }
    pos = skipSpace(json, pos + 1);
    std::optional<QByteArrayView> found;
    if (pos < json.size() && json[pos] == '}') {
        return found;
    }
    while (pos < json.size()) {
        if (json[pos] != '"') {
            return std::nullopt;
        }
        const qsizetype keyEnd = endOfString(json, pos);
        if (keyEnd < 0) {
            return std::nullopt;
        }
        const QByteArrayView keyToken = json.sliced(pos, keyEnd - pos);
        pos = skipSpace(json, keyEnd);
        if (pos >= json.size() || json[pos] != ':') {
            return std::nullopt;
        }
        pos = skipSpace(json, pos + 1);
        const qsizetype valueEnd = endOfValue(json, pos);
        if (valueEnd < 0) {
            return std::nullopt;
        }
        if (keyEquals(keyToken, key)) {
            found = json.sliced(pos, valueEnd - pos);
        }
        pos = skipSpace(json, valueEnd);
        if (pos < json.size() && json[pos] == ',') {
            pos = skipSpace(json, pos + 1);
        } else if (pos < json.size() && json[pos] == '}') {
            return found;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<qint64> exactJsonInteger(QByteArrayView literal) {
    qsizetype pos = 0;
    const qsizetype size = literal.size();
    const bool negative = pos < size && literal[pos] == '-';
    if (negative) {
        ++pos;
    }

    // The significant digits of integer and fraction parts, and the power of
    // ten they are scaled by.
    std::string digits;
    long long scale = 0;
    const qsizetype integerStart = pos;
    while (pos < size && isDigit(literal[pos])) {
        digits += literal[pos++];
    }
    if (pos == integerStart) {
        return std::nullopt;
    }
    if (pos < size && literal[pos] == '.') {
        const qsizetype fractionStart = ++pos;
        while (pos < size && isDigit(literal[pos])) {
            digits += literal[pos++];
            --scale;
        }
        if (pos == fractionStart) {
            return std::nullopt;
        }
    }
    if (pos < size && (literal[pos] == 'e' || literal[pos] == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < size && (literal[pos] == '+' || literal[pos] == '-')) {
            negativeExponent = literal[pos++] == '-';
        }
        const qsizetype exponentStart = pos;
        long long exponent = 0;
        while (pos < size && isDigit(literal[pos])) {
            // Beyond a million the answer no longer changes: such a number is
            // either zero, a fraction or far out of range.
            exponent = std::min(exponent * 10 + (literal[pos++] - '0'), 1'000'000LL);
        }
        if (pos == exponentStart) {
            return std::nullopt;
        }
        scale += negativeExponent ? -exponent : exponent;
    }
    if (pos != size) {
        return std::nullopt;
    }

    const auto firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        return 0;
    }
    digits.erase(0, firstNonZero);
    while (digits.back() == '0') {
        digits.pop_back();
        ++scale;
    }
    if (scale < 0) {
        return std::nullopt;  // a fraction remains
    }
    // 2^63 has 19 digits; anything longer cannot fit.
    if (static_cast<long long>(digits.size()) + scale > 19) {
        return std::nullopt;
    }
    quint64 magnitude = 0;
    for (const char c : digits) {
        magnitude = magnitude * 10 + static_cast<quint64>(c - '0');
    }
    for (long long i = 0; i < scale; ++i) {
        if (magnitude > std::numeric_limits<quint64>::max() / 10) {
            return std::nullopt;
        }
        magnitude *= 10;
    }
    constexpr quint64 kMaxPositive = static_cast<quint64>(std::numeric_limits<qint64>::max());
    if (negative) {
        if (magnitude > kMaxPositive + 1) {
            return std::nullopt;
        }
        return magnitude == kMaxPositive + 1 ? std::numeric_limits<qint64>::min()
                                             : -static_cast<qint64>(magnitude);
    }
    if (magnitude > kMaxPositive) {
        return std::nullopt;
    }
    return static_cast<qint64>(magnitude);
}

}  // namespace corvane
