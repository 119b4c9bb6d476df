#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <set>

#include "updater/BackupName.h"

namespace corvane::updater {
namespace {

// Sets TZ for one test, so local time is known.
class TimeZone {
  public:
    explicit TimeZone(const char* zone) {
        if (const char* old = ::getenv("TZ")) {
            old_ = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (old_) {
            ::setenv("TZ", old_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

  private:
    std::optional<std::string> old_;
};

TEST(BackupNameTest, TimestampIsLocalTimeWithFixedWidths) {
    const std::time_t leapDayEvening = 1709251199;  // 2024-02-29 23:59:59 UTC
    {
        const TimeZone zone("UTC");
        EXPECT_EQ(timestamp(leapDayEvening), "20240229-235959");
        EXPECT_EQ(timestamp(0), "19700101-000000");
    }
    const TimeZone zone("KST-9");  // POSIX form: needs no time zone database
    EXPECT_EQ(timestamp(leapDayEvening), "20240301-085959");
}

// "H" in `shape` stands for an upper-case hexadecimal digit, "V" for the
// RFC 4122 variant digit; every other character stands for itself.
bool hasShape(const std::string& text, const std::string& shape) {
    if (text.size() != shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        const bool fits = shape[i] == 'H'   ? hex
                          : shape[i] == 'V' ? (c == '8' || c == '9' || c == 'A' || c == 'B')
                                            : c == shape[i];
        if (!fits) {
            return false;
        }
    }
    return true;
}

TEST(BackupNameTest, UuidIsRandomVersionFourInUpperCase) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string uuid = newUuidText();
        EXPECT_TRUE(hasShape(uuid, "HHHHHHHH-HHHH-4HHH-VHHH-HHHHHHHHHHHH")) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(BackupNameTest, NameJoinsTimestampAndTheUuidsFirstEightCharacters) {
    EXPECT_EQ(backupName("20240229-235959", "0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0"),
              "Corvane.app.20240229-235959-0F1E2D3C");
}

}  // namespace
}  // namespace corvane::updater
