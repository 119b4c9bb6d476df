#include "platform/monitor/Edid.h"

#include <array>

namespace corvane {

namespace {

constexpr qsizetype kBaseBlockSize = 128;
constexpr std::array<std::uint8_t, 8> kHeader = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
constexpr qsizetype kFirstDescriptor = 54;
constexpr qsizetype kDescriptorSize = 18;
constexpr std::uint8_t kSerialTag = 0xff;
constexpr std::uint8_t kNameTag = 0xfc;

std::uint8_t byteAt(QByteArrayView bytes, qsizetype index) {
    return static_cast<std::uint8_t>(bytes[index]);
}

// Descriptor text is up to 13 bytes, ended by a line feed and padded with
// spaces; anything outside printable ASCII is dropped rather than guessed.
QString descriptorText(QByteArrayView descriptor) {
    QString text;
    for (qsizetype i = 5; i < kDescriptorSize; ++i) {
        const std::uint8_t c = byteAt(descriptor, i);
        if (c == '\n' || c == 0) {
            break;
        }
        if (c >= 0x20 && c < 0x7f) {
            text.append(QLatin1Char(static_cast<char>(c)));
        }
    }
    return text.trimmed();
}

}  // namespace

std::variant<Edid, EdidError> parseEdid(QByteArrayView bytes) {
    if (bytes.size() < kBaseBlockSize) {
        return EdidError::truncated;
    }
    for (std::size_t i = 0; i < kHeader.size(); ++i) {
        if (byteAt(bytes, static_cast<qsizetype>(i)) != kHeader[i]) {
            return EdidError::badHeader;
        }
    }
    unsigned sum = 0;
    for (qsizetype i = 0; i < kBaseBlockSize; ++i) {
        sum += byteAt(bytes, i);
    }
    if (sum % 256 != 0) {
        return EdidError::badChecksum;
    }

    Edid edid;
    // Three 5-bit letters, 'A' = 1, big-endian.
    const unsigned vendor = (byteAt(bytes, 8) << 8) | byteAt(bytes, 9);
    for (int shift : {10, 5, 0}) {
        const unsigned letter = (vendor >> shift) & 0x1f;
        edid.manufacturer.append(letter >= 1 && letter <= 26
                                     ? QLatin1Char(static_cast<char>('A' + letter - 1))
                                     : QLatin1Char('?'));
    }
    edid.productCode = static_cast<std::uint16_t>(byteAt(bytes, 10) | (byteAt(bytes, 11) << 8));
    edid.serialNumber = static_cast<std::uint32_t>(byteAt(bytes, 12)) |
                        (static_cast<std::uint32_t>(byteAt(bytes, 13)) << 8) |
                        (static_cast<std::uint32_t>(byteAt(bytes, 14)) << 16) |
                        (static_cast<std::uint32_t>(byteAt(bytes, 15)) << 24);

    for (qsizetype offset = kFirstDescriptor; offset < kFirstDescriptor + 4 * kDescriptorSize;
         offset += kDescriptorSize) {
        const QByteArrayView descriptor = bytes.sliced(offset, kDescriptorSize);
        // A detailed timing starts with a non-zero pixel clock.
        if (byteAt(descriptor, 0) != 0 || byteAt(descriptor, 1) != 0) {
            continue;
        }
        const std::uint8_t tag = byteAt(descriptor, 3);
        if (tag == kNameTag && edid.monitorName.isEmpty()) {
            edid.monitorName = descriptorText(descriptor);
        } else if (tag == kSerialTag && edid.serialText.isEmpty()) {
            edid.serialText = descriptorText(descriptor);
        }
    }
    return edid;
}

}  // namespace corvane
