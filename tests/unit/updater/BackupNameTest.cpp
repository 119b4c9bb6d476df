#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "updater/BackupName.h"

namespace corvane::updater {
namespace {

TEST(BackupNameTest, TimestampIsLocalTimeWithFixedWidths) {
    const std::time_t leapDayEvening = 1709251199;  // 2024-02-29 23:59:59 UTC
    const char* zone = ::getenv("TZ");
    const std::optional<std::string> saved = zone ? std::optional<std::string>(zone) : std::nullopt;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(timestamp(leapDayEvening), "20240229-235959");
    EXPECT_EQ(timestamp(0), "19700101-000000");
    ::setenv("TZ", "KST-9", 1);  // POSIX form: needs no time zone database
    ::tzset();
    EXPECT_EQ(timestamp(leapDayEvening), "20240301-085959");
    saved ? ::setenv("TZ", saved->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

// "H" stands for an upper-case hexadecimal digit, "V" for 8, 9, A or B.
bool fits(const std::string& text, const std::string& shape) {
    return text.size() == shape.size() &&
           std::equal(shape.begin(), shape.end(), text.begin(), [](char wanted, char c) {
               return wanted == 'H'   ? std::strchr("0123456789ABCDEF", c) != nullptr
                      : wanted == 'V' ? std::strchr("89AB", c) != nullptr
                                      : wanted == c;
           });
}

TEST(BackupNameTest, UuidIsRandomVersionFourInUpperCase) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string uuid = newUuidText();
        EXPECT_TRUE(fits(uuid, "HHHHHHHH-HHHH-4HHH-VHHH-HHHHHHHHHHHH")) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

}  // namespace
}  // namespace corvane::updater
