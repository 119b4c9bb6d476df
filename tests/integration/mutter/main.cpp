#include <gtest/gtest.h>

#include <QCoreApplication>

#include "support/session/SessionFixtures.h"

namespace corvane::testing {

std::unique_ptr<MutterSession>& mutterSession() {
    static std::unique_ptr<MutterSession> session;
    return session;
}

}  // namespace corvane::testing

// One Mutter serves every test of the executable; the change signals need
// an event loop.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    if (!::testing::GTEST_FLAG(list_tests)) {
        corvane::testing::mutterSession() = std::make_unique<corvane::testing::MutterSession>();
    }
    const int status = RUN_ALL_TESTS();
    corvane::testing::mutterSession().reset();
    return status;
}
