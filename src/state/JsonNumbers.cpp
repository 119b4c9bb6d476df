#include "state/JsonNumbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <limits>

namespace corvane {

namespace {

bool isJsonSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

class MemberScanner {
  public:
    explicit MemberScanner(QByteArrayView json) : json_(json) {}

    QHash<QString, QByteArray> members() {
        QHash<QString, QByteArray> result;
        skipSpace();
        if (!consume('{')) {
            return result;
        }
        while (true) {
            skipSpace();
            if (atEnd() || peek() == '}') {
                return result;
            }
            const QByteArrayView rawKey = skipString();
            skipSpace();
            consume(':');
            skipSpace();
            const qsizetype valueStart = pos_;
            skipValue();
            result.insert(decodeKey(rawKey),
                          json_.sliced(valueStart, pos_ - valueStart).toByteArray());
            skipSpace();
            if (!consume(',')) {
                return result;
            }
        }
    }

  private:
    bool atEnd() const { return pos_ >= json_.size(); }
    char peek() const { return json_[pos_]; }

    bool consume(char c) {
        if (!atEnd() && peek() == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void skipSpace() {
        while (!atEnd() && isJsonSpace(peek())) {
            ++pos_;
        }
    }

    // Returns the string with its quotes.
    QByteArrayView skipString() {
        const qsizetype start = pos_;
        ++pos_;
        while (!atEnd() && peek() != '"') {
            pos_ += peek() == '\\' ? 2 : 1;
        }
        ++pos_;
        return json_.sliced(start, std::min(pos_, json_.size()) - start);
    }

    void skipValue() {
        int depth = 0;
        while (!atEnd()) {
            const char c = peek();
            if (c == '"') {
                skipString();
                if (depth == 0) {
                    return;
                }
                continue;
            }
            if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (depth == 0) {
                    return;
                }
                --depth;
                if (depth == 0) {
                    ++pos_;
                    return;
                }
            } else if (depth == 0 && (c == ',' || isJsonSpace(c))) {
                return;
            }
            ++pos_;
        }
    }

    static QString decodeKey(QByteArrayView quoted) {
        if (quoted.size() < 2) {
            return {};
        }
        const QByteArrayView inner = quoted.sliced(1, quoted.size() - 2);
        if (!inner.contains('\\')) {
            return QString::fromUtf8(inner);
        }
        // Escapes follow JSON's rules; let the JSON parser undo them.
        const QByteArray wrapped = '[' + quoted.toByteArray() + ']';
        return QJsonDocument::fromJson(wrapped).array().at(0).toString();
    }

    QByteArrayView json_;
    qsizetype pos_ = 0;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

QHash<QString, QByteArray> rawObjectMembers(QByteArrayView json) {
    return MemberScanner(json).members();
}

std::variant<std::int64_t, LiteralFault> wholeNumberFromLiteral(QByteArrayView literal) {
    qsizetype pos = 0;
    const bool negative = pos < literal.size() && literal[pos] == '-';
    if (negative) {
        ++pos;
    }
    QByteArray digits;
    qsizetype fractionDigits = 0;
    while (pos < literal.size() && isDigit(literal[pos])) {
        digits += literal[pos++];
    }
    if (digits.isEmpty()) {
        return LiteralFault::malformed;
    }
    if (pos < literal.size() && literal[pos] == '.') {
        ++pos;
        while (pos < literal.size() && isDigit(literal[pos])) {
            digits += literal[pos++];
            ++fractionDigits;
        }
    }
    // The exponent saturates: anything this large is out of range anyway,
    // and the cap keeps the arithmetic below from overflowing.
    constexpr std::int64_t kExponentCap = 1'000'000;
    std::int64_t exponent = 0;
    if (pos < literal.size() && (literal[pos] == 'e' || literal[pos] == 'E')) {
        ++pos;
        bool exponentNegative = false;
        if (pos < literal.size() && (literal[pos] == '+' || literal[pos] == '-')) {
            exponentNegative = literal[pos++] == '-';
        }
        if (pos >= literal.size() || !isDigit(literal[pos])) {
            return LiteralFault::malformed;
        }
        while (pos < literal.size() && isDigit(literal[pos])) {
            exponent = std::min(exponent * 10 + (literal[pos++] - '0'), kExponentCap);
        }
        if (exponentNegative) {
            exponent = -exponent;
        }
    }
    if (pos != literal.size()) {
        return LiteralFault::malformed;
    }

    // value = digits × 10^scale
    std::int64_t scale = exponent - fractionDigits;
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
