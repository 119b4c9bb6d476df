#include <gtest/gtest.h>

#include <QFile>

#include "platform/monitor/Edid.h"

namespace corvane {

// Failure messages show a parsed EDID's fields; found by argument-dependent
// lookup, so it lives beside Edid.
void PrintTo(const Edid& e, std::ostream* out) {
    *out << (QStringList{e.manufacturer, QString::number(e.productCode, 16),
                         QString::number(e.serialNumber), e.serialText, e.monitorName}
                 .join(u'/')
                 .toStdString());
}

namespace {

QByteArray blob(const char* name) {
    QFile file(QStringLiteral(CORVANE_EDID_FIXTURES "/%1").arg(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << name;
        return {};
    }
    return QByteArray::fromHex(file.readAll().simplified().replace(' ', ""));
}

// 256 bytes: the CTA extension block is not looked at. The other fixtures
// are read through both identities in MutterRulesTest's SameMonitor.
TEST(EdidTest, ReadsTheIdentifyingFields) {
    EXPECT_EQ(
        parseEdid(blob("serial-and-name.hex")),
        (std::variant<Edid, EdidError>(Edid{"DEL", 0xa0ec, 0x4c4b3841, "CXK7R83", "DELL U2720Q"})));
}

struct BrokenCase : NamedCase {
    QByteArray (*make)();
    EdidError expected;
};

class BrokenEdidTest : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenEdidTest, IsRefused) {
    EXPECT_EQ(parseEdid(GetParam().make()), (std::variant<Edid, EdidError>(GetParam().expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Blobs, BrokenEdidTest,
    ::testing::Values(BrokenCase{"Truncated", [] { return blob("serial-and-name.hex").left(127); },
                                 EdidError::truncated},
                      BrokenCase{"Empty", [] { return QByteArray(); }, EdidError::truncated},
                      BrokenCase{"BadChecksum",
                                 [] {
                                     QByteArray bytes = blob("no-serial.hex");
                                     bytes[12] =
                                         static_cast<char>(bytes[12] + 1);  // another serial number
                                     return bytes;
                                 },
                                 EdidError::badChecksum},
                      BrokenCase{"NotAnEdid", [] { return QByteArray(128, '\0'); },
                                 EdidError::badHeader}),
    CaseName());

TEST(EdidTest, KeepsOnlyPrintableTextOfADescriptor) {
    QByteArray bytes = blob("no-serial.hex");
    // "LG ULTRAFINE" at 95..106: put a control byte and a non-ASCII byte in.
    bytes[97] = '\t';
    bytes[98] = static_cast<char>(0xe9);
    bytes[127] = 0;
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) {
        sum += static_cast<unsigned char>(bytes[i]);
    }
    bytes[127] = static_cast<char>((256 - sum % 256) % 256);
    EXPECT_EQ(std::get<Edid>(parseEdid(bytes)).monitorName, "LGLTRAFINE");
}

}  // namespace
}  // namespace corvane
