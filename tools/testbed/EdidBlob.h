#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace corvane::testing {

// What a monitor says about itself in the fields that tell monitors apart.
struct EdidFields {
    QString manufacturer = QStringLiteral("CRV");  // three capital letters
    std::uint16_t productCode = 0x2701;
    std::uint32_t serialNumber = 0;  // 0: the monitor gives no number
    QString monitorName;             // at most 13 characters; empty: no name descriptor
    QString serialText;              // at most 13 characters; empty: no serial descriptor
};

// A 128-byte EDID 1.4 base block as a 1080p monitor sends it: header,
// vendor fields, a preferred detailed timing, range limits, the optional
// name and serial descriptors and a correct checksum.
QByteArray makeEdid(const EdidFields& fields);

}  // namespace corvane::testing
