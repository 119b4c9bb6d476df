#include <gtest/gtest.h>

#include <QCoreApplication>

#include "../updater/ProcessHarness.h"

// The engine needs an event loop for its network requests, and hands the
// replacement tool a backup folder under HOME, which must be the test's own.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const corvane::harness::TemporaryFolder home;
    qputenv("HOME", QByteArray::fromStdString(home.path().string()));
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
