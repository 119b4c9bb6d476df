#include <gtest/gtest.h>

#include <QCoreApplication>

// The change monitor needs an event loop; one application object serves
// every test of the executable.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
