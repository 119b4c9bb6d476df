#include "testbed/EdidBlob.h"

#include <array>
#include <stdexcept>

namespace corvane::testing {

namespace {

constexpr int kDescriptorLength = 18;

void putDescriptorText(QByteArray& edid, int offset, std::uint8_t tag, const QString& text) {
    if (text.size() > 13) {
        throw std::invalid_argument("an EDID text descriptor holds at most 13 characters");
    }
    const std::array<char, 5> head = {0, 0, 0, static_cast<char>(tag), 0};
    edid.replace(offset, 5, head.data(), 5);
    QByteArray body = text.toLatin1();
    if (body.size() < 13) {
        body.append('\n');
    }
    body = body.leftJustified(13, ' ');
    edid.replace(offset + 5, 13, body);
}

void putDummyDescriptor(QByteArray& edid, int offset) {
    QByteArray dummy(kDescriptorLength, '\0');
    dummy[3] = static_cast<char>(0x10);
    edid.replace(offset, kDescriptorLength, dummy);
}

}  // namespace

QByteArray makeEdid(const EdidFields& fields) {
    if (fields.manufacturer.size() != 3) {
        throw std::invalid_argument("an EDID manufacturer is three letters");
    }
    QByteArray edid(128, '\0');
    const std::array<std::uint8_t, 8> header = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
    for (std::size_t i = 0; i < header.size(); ++i) {
        edid[static_cast<int>(i)] = static_cast<char>(header[i]);
    }

    std::uint16_t vendor = 0;
    for (QChar letter : fields.manufacturer) {
        if (letter < QLatin1Char('A') || letter > QLatin1Char('Z')) {
            throw std::invalid_argument("an EDID manufacturer is capital letters");
        }
        vendor = static_cast<std::uint16_t>((vendor << 5) | (letter.unicode() - 'A' + 1));
    }
    edid[8] = static_cast<char>(vendor >> 8);
    edid[9] = static_cast<char>(vendor & 0xff);
    edid[10] = static_cast<char>(fields.productCode & 0xff);
    edid[11] = static_cast<char>(fields.productCode >> 8);
    for (int i = 0; i < 4; ++i) {
        edid[12 + i] = static_cast<char>((fields.serialNumber >> (8 * i)) & 0xff);
    }

    // Week 14 of 2022, EDID 1.4, digital 8-bit DisplayPort input, 60 × 34 cm,
    // gamma 2.2, sRGB-like chromaticity, 640×480 and 800×600 established,
    // 1920×1080 at 60 Hz as a standard timing.
    const std::array<std::uint8_t, 38> basics = {
        14,   32,   0x01, 0x04, 0xa5, 60,   34,   0x78, 0x3a, 0xee, 0x91, 0xa3, 0x54,
        0x4c, 0x99, 0x26, 0x0f, 0x50, 0x54, 0x21, 0x08, 0x00, 0xd1, 0xc0, 0x01, 0x01,
        0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01};
    for (std::size_t i = 0; i < basics.size(); ++i) {
        edid[16 + static_cast<int>(i)] = static_cast<char>(basics[i]);
    }

    // Preferred timing: 1920×1080 at 60 Hz, 148.5 MHz.
    const std::array<std::uint8_t, kDescriptorLength> preferred = {
        0x02, 0x3a, 0x80, 0x18, 0x71, 0x38, 0x2d, 0x40, 0x58,
        0x2c, 0x45, 0x00, 0x56, 0x50, 0x21, 0x00, 0x00, 0x1e};
    // Range limits: 56–75 Hz, 30–83 kHz, 170 MHz.
    const std::array<std::uint8_t, kDescriptorLength> limits = {0x00, 0x00, 0x00, 0xfd, 0x00, 0x38,
                                                                0x4b, 0x1e, 0x53, 0x11, 0x00, 0x0a,
                                                                0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
    for (int i = 0; i < kDescriptorLength; ++i) {
        edid[54 + i] = static_cast<char>(preferred[static_cast<std::size_t>(i)]);
        edid[72 + i] = static_cast<char>(limits[static_cast<std::size_t>(i)]);
    }
    if (fields.monitorName.isEmpty()) {
        putDummyDescriptor(edid, 90);
    } else {
        putDescriptorText(edid, 90, 0xfc, fields.monitorName);
    }
    if (fields.serialText.isEmpty()) {
        putDummyDescriptor(edid, 108);
    } else {
        putDescriptorText(edid, 108, 0xff, fields.serialText);
    }

    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) {
        sum += static_cast<std::uint8_t>(edid[i]);
    }
    edid[127] = static_cast<char>((256 - sum % 256) % 256);
    return edid;
}

}  // namespace corvane::testing
