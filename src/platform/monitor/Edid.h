#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <variant>

namespace corvane {

// The fields of a monitor's EDID base block that tell monitors apart and
// name them.
struct Edid {
    QString manufacturer;  // three-letter PNP identifier, such as "DEL"
    std::uint16_t productCode = 0;
    std::uint32_t serialNumber = 0;  // 0: the monitor gives no number
    QString serialText;              // the serial-number descriptor; often set when the number is 0
    QString monitorName;             // the display-name descriptor; empty when absent

    bool operator==(const Edid&) const = default;
};

enum class EdidError {
    truncated,    // shorter than the 128-byte base block
    badHeader,    // not an EDID at all
    badChecksum,  // the base block's bytes do not add up to 0 modulo 256
};

// Reads the base block of an EDID (extension blocks are ignored). Text
// descriptors keep printable ASCII only, without their line-feed end and
// space padding.
std::variant<Edid, EdidError> parseEdid(QByteArrayView bytes);

}  // namespace corvane
