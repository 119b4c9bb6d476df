#include <gtest/gtest.h>

#include "update/BuildNumber.h"

namespace corvane {
namespace {

// Shapes toLongLong alone would take (spaces, a second sign) are refused;
// a number too large for 64 bits counts as none.
TEST(BuildNumberTest, ReadsOnlyPlainDecimalNumbers) {
    EXPECT_EQ(buildNumberFromBundleVersion(QStringLiteral("057")), 57);
    EXPECT_EQ(buildNumberFromBundleVersion(QStringLiteral("+7")), 7);
    EXPECT_EQ(buildNumberFromBundleVersion(std::nullopt), 0);
    for (const char* text : {"", "-", "1.0", "12a", "+-5", " 57", "５７", "9223372036854775808"}) {
        EXPECT_EQ(buildNumberFromBundleVersion(QString::fromUtf8(text)), 0) << text;
    }
}

}  // namespace
}  // namespace corvane
