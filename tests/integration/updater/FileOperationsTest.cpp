#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "ProcessHarness.h"
#include "TreeSnapshot.h"
#include "updater/FileOperations.h"

namespace corvane::updater {
namespace {

namespace fs = std::filesystem;
using harness::snapshot;
using harness::TemporaryFolder;
using harness::writeFile;

void makeSampleTree(const fs::path& root) {
    writeFile(root / "Contents" / "MacOS" / "run", "#!/bin/sh\n");
    fs::permissions(root / "Contents" / "MacOS" / "run", fs::perms::owner_all);
    writeFile(root / "Contents" / "Resources" / "private.txt", "secret");
    fs::permissions(root / "Contents" / "Resources" / "private.txt",
                    fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("../MacOS/run", root / "Contents" / "Resources" / "link");
    fs::create_symlink("/nonexistent/target", root / "Contents" / "dangling");
}

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

TEST_F(FileOperationsTest, AMoveTakesTheWholeTreeAsItIs) {
    makeSampleTree(here_.path() / "from");
    const auto before = snapshot(here_.path() / "from");

    const MoveOutcome outcome = moveItem(here_.path() / "from", here_.path() / "to");

    EXPECT_FALSE(outcome.error);
    EXPECT_TRUE(outcome.arrived);
    EXPECT_EQ(snapshot(here_.path() / "to"), before);
    EXPECT_FALSE(fs::exists(here_.path() / "from"));
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

class FileOperationsAcrossFileSystemsTest : public FileOperationsTest {
  protected:
    void SetUp() override {
        if (sameFileSystem(here_.path(), there_.path())) {
            GTEST_SKIP() << "/dev/shm is on the same file system as " << here_.path();
        }
    }

    TemporaryFolder there_{"/dev/shm"};
};

TEST_F(FileOperationsAcrossFileSystemsTest, CopiesModesAndLinksThenRemovesTheOriginal) {
    makeSampleTree(here_.path() / "from");
    const auto before = snapshot(here_.path() / "from");

    const MoveOutcome outcome = moveItem(here_.path() / "from", there_.path() / "to");

    EXPECT_FALSE(outcome.error) << outcome.error->action;
    EXPECT_TRUE(outcome.arrived);
    EXPECT_EQ(snapshot(there_.path() / "to"), before);
    EXPECT_FALSE(fs::exists(here_.path() / "from"));
}

TEST_F(FileOperationsAcrossFileSystemsTest, AFailedCopyRemovesWhatItMadeAndKeepsTheOriginal) {
    makeSampleTree(here_.path() / "from");
    ASSERT_EQ(::mkfifo((here_.path() / "from" / "Contents" / "zz-pipe").c_str(), 0600), 0);
    const auto before = snapshot(here_.path() / "from");

    const MoveOutcome outcome = moveItem(here_.path() / "from", there_.path() / "to");

    ASSERT_TRUE(outcome.error);
    EXPECT_FALSE(outcome.arrived);
    EXPECT_FALSE(fs::exists(fs::symlink_status(there_.path() / "to")));
    EXPECT_EQ(snapshot(here_.path() / "from"), before);
}

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
