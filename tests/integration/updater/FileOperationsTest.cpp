#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "ProcessHarness.h"
#include "updater/FileOperations.h"

namespace corvane::updater {
namespace {

namespace fs = std::filesystem;
using harness::TemporaryFolder;
using harness::writeFile;

bool sameFileSystem(const fs::path& a, const fs::path& b) {
    struct stat first;
    struct stat second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

class FileOperationsTest : public testing::Test {
  protected:
    TemporaryFolder here_;
};

TEST_F(FileOperationsTest, AMoveNeverReplacesWhatIsThere) {
    writeFile(here_.path() / "from", "new");
    writeFile(here_.path() / "to", "old");

    const MoveOutcome outcome = moveItem(here_.path() / "from", here_.path() / "to");

    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, EEXIST);
    EXPECT_FALSE(outcome.arrived);
    EXPECT_EQ(harness::readFile(here_.path() / "from"), "new");
    EXPECT_EQ(harness::readFile(here_.path() / "to"), "old");
}

TEST_F(FileOperationsTest, ADanglingLinkCountsAsSomethingButNotAsExisting) {
    fs::create_symlink("/nonexistent/target", here_.path() / "dangling");
    EXPECT_TRUE(anythingAt(here_.path() / "dangling"));
    EXPECT_FALSE(existsFollowingLinks(here_.path() / "dangling"));
    EXPECT_FALSE(anythingAt(here_.path() / "nothing"));
}

TEST_F(FileOperationsTest, FoldersCannotBeCreatedThroughAFile) {
    writeFile(here_.path() / "file", "");
    const auto error = createFolders(here_.path() / "file" / "sub");
    ASSERT_TRUE(error);
    EXPECT_NE(error->action.find((here_.path() / "file" / "sub").string()), std::string::npos);
    EXPECT_FALSE(createFolders(here_.path() / "a" / "b" / "c"));
    EXPECT_FALSE(createFolders(here_.path() / "a" / "b" / "c"));  // already there: fine
}

// Whole bundles moved across file systems are covered by the tool's own
// tests; this is the rule they cannot see from outside.
class FileOperationsAcrossFileSystemsTest : public FileOperationsTest {
  protected:
    void SetUp() override {
        if (sameFileSystem(here_.path(), there_.path())) {
            GTEST_SKIP() << "/dev/shm is on the same file system as " << here_.path();
        }
    }

    TemporaryFolder there_{"/dev/shm"};
};

TEST_F(FileOperationsAcrossFileSystemsTest, NeverReplacesWhatIsThereEither) {
    writeFile(here_.path() / "from", "new");
    writeFile(there_.path() / "to", "old");

    const MoveOutcome outcome = moveItem(here_.path() / "from", there_.path() / "to");

    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, EEXIST);
    EXPECT_EQ(harness::readFile(there_.path() / "to"), "old");
    EXPECT_EQ(harness::readFile(here_.path() / "from"), "new");
}

}  // namespace
}  // namespace corvane::updater
