#include <gtest/gtest.h>

#include <QCoreApplication>

// For tests of code that needs an event loop (a change monitor, network
// requests): one application object serves every test of the executable.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
