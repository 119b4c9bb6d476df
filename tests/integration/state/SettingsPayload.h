#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstdint>
#include <optional>

namespace corvane::testing {

inline const QString kPayloadKey = QStringLiteral("payload");
inline const QString kRoundKey = QStringLiteral("round");

// 256 KiB that only round `round` produces: the round number, then bytes
// that depend on it and on their position.
inline QByteArray payload(std::int64_t round) {
    QByteArray bytes(256 * 1024, Qt::Uninitialized);
    qToLittleEndian(round, bytes.data());
    for (qsizetype i = 8; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((round * 131 + i * 7) & 0xff);
    }
    return bytes;
}

// The round a payload belongs to, when it is one of them in full.
inline std::optional<std::int64_t> roundOf(const QByteArray& bytes) {
    if (bytes.size() < 8) {
        return std::nullopt;
    }
    const auto round = qFromLittleEndian<std::int64_t>(bytes.constData());
    if (bytes != payload(round)) {
        return std::nullopt;
    }
    return round;
}

}  // namespace corvane::testing
