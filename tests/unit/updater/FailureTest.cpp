#include <gtest/gtest.h>

#include <cerrno>

#include "updater/Failure.h"

namespace corvane::updater {
namespace {

TEST(FailureTest, NotesFollowAndControlCharactersCannotBreakTheLine) {
    Failure failure(SystemError{"cannot move /a\nb\r\x7f", ENOENT});
    failure.addNote("the previous application is at /b\n");
    EXPECT_EQ(failure.description(),
              "cannot move /a\\x0Ab\\x0D\\x7F: No such file or directory; "
              "the previous application is at /b\\x0A");
}

}  // namespace
}  // namespace corvane::updater
