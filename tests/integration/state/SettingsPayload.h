#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace corvane::testing {

inline const QString kPayloadKey = QStringLiteral("payload");
inline const QString kRoundKey = QStringLiteral("round");

// 256 KiB that only round `round` produces: its number, then a letter
// that depends on it.
inline QByteArray payload(std::int64_t round) {
    return QByteArray::number(round).leftJustified(256 * 1024, static_cast<char>('a' + round % 26));
}

// The round a payload belongs to, when it is one of them in full.
inline std::optional<std::int64_t> roundOf(const QByteArray& bytes) {
    qsizetype digits = 0;
    while (digits < bytes.size() && bytes[digits] >= '0' && bytes[digits] <= '9') {
        ++digits;
    }
    const std::int64_t round = bytes.left(digits).toLongLong();
    return bytes == payload(round) ? std::optional(round) : std::nullopt;
}

}  // namespace corvane::testing
