#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <QRegularExpression>
#include <set>

#include "updater/BackupName.h"

namespace corvane::updater {
namespace {

TEST(BackupNameTest, TimestampIsLocalTimeWithFixedWidths) {
    const std::time_t leapDayEvening = 1709251199;  // 2024-02-29 23:59:59 UTC
    const char* zone = ::getenv("TZ");
    const std::string saved = zone ? zone : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(timestamp(leapDayEvening), "20240229-235959");
    EXPECT_EQ(timestamp(0), "19700101-000000");
    ::setenv("TZ", "KST-9", 1);  // POSIX form: needs no time zone database
    ::tzset();
    EXPECT_EQ(timestamp(leapDayEvening), "20240301-085959");
    zone ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

TEST(BackupNameTest, UuidIsRandomVersionFourInUpperCase) {
    const QRegularExpression shape(
        QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$"));
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string uuid = newUuidText();
        EXPECT_TRUE(shape.match(QString::fromStdString(uuid)).hasMatch()) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

}  // namespace
}  // namespace corvane::updater
