#include <gtest/gtest.h>

#include <QApplication>

// Widgets and painted images need an application object, but a test must
// never open windows on the desktop of whoever runs it: Qt's offscreen
// platform draws into memory only.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
