#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/linux/failedbuilds/FailedBuilds.h"
#include "support/Files.h"

namespace corvane::failedbuilds {
namespace {

TEST(FailedBuildsTest, ParsesPlainDecimalNumbersOnly) {
    EXPECT_EQ(parseDecimal("+57"), 57);
    EXPECT_EQ(parseDecimal("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", "+", "5 ", " 5", "12a", "0x10", "+-5", "9223372036854775808"}) {
        EXPECT_FALSE(parseDecimal(bad)) << bad;
    }
    EXPECT_EQ(parse("58\n\nnot a build\n59 \n0061\n-2"), (std::vector<std::int64_t>{58, 61, -2}));
    EXPECT_EQ(format({58, 61}), "58\n61\n");
}

TEST(FailedBuildsTest, RecordsTheLatestBuildsOnceEachAndLeavesAFailedWriteUnseen) {
    const QTemporaryDir folder;
    const std::string file = folder.filePath(kFileName).toStdString();
    EXPECT_TRUE(readFailedBuilds(file).empty());
    for (std::int64_t build = 1; build <= 70; ++build) {
        ASSERT_EQ(recordFailedBuild(file, build), 0);
    }
    ASSERT_EQ(recordFailedBuild(file, 10), 0);  // moves to the end
    std::string expected;
    for (std::int64_t build = 7; build <= 70; ++build) {
        expected += build == 10 ? "" : std::to_string(build) + "\n";
    }
    expected += "10\n";
    EXPECT_EQ(testing::readAll(folder.filePath(kFileName)).toStdString(), expected);
    EXPECT_EQ(readFailedBuilds(file).size(), kMaxEntries);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
    QDir(folder.path())
        .mkdir(folder.filePath(kFileName) + ".partial");  // blocks the temporary file
    EXPECT_NE(recordFailedBuild(file, 71), 0);
    EXPECT_EQ(testing::readAll(folder.filePath(kFileName)).toStdString(), expected);
}

}  // namespace
}  // namespace corvane::failedbuilds
