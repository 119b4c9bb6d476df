#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/linux/failedbuilds/FailedBuilds.h"

namespace corvane::failedbuilds {
namespace {

namespace fs = std::filesystem;

TEST(FailedBuildsTest, ParsesPlainDecimalNumbersOnly) {
    EXPECT_EQ(parseDecimal("+57"), 57);
    EXPECT_EQ(parseDecimal("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", "+", "5 ", " 5", "12a", "0x10", "+-5", "9223372036854775808"}) {
        EXPECT_FALSE(parseDecimal(bad)) << bad;
    }
    EXPECT_EQ(parse("58\n\nnot a build\n59 \n0061\n-2"), (std::vector<std::int64_t>{58, 61, -2}));
    EXPECT_EQ(format({58, 61}), "58\n61\n");
}

std::string contentOf(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

TEST(FailedBuildsTest, RecordsTheLatestBuildsOnceEachAndLeavesAFailedWriteUnseen) {
    std::string pattern = (fs::temp_directory_path() / "corvane-failed-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(pattern.data()));
    const fs::path folder = pattern;
    const fs::path file = folder / kFileName;
    EXPECT_TRUE(readFailedBuilds(file).empty());
    for (std::int64_t build = 1; build <= 70; ++build) {
        ASSERT_EQ(recordFailedBuild(file, build), 0);
    }
    ASSERT_EQ(recordFailedBuild(file, 10), 0);  // moves to the end
    std::string expected;
    for (std::int64_t build = 7; build <= 70; ++build) {
        expected += build == 10 ? "" : std::to_string(build) + "\n";
    }
    EXPECT_EQ(contentOf(file), expected + "10\n");
    EXPECT_EQ(readFailedBuilds(file).size(), kMaxEntries);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    fs::create_directory(file.string() + ".partial");  // the temporary file cannot be made
    EXPECT_NE(recordFailedBuild(file, 71), 0);
    EXPECT_EQ(contentOf(file), expected + "10\n");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace corvane::failedbuilds
