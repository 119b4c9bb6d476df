#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "platform/x11/QtScreenScale.h"
#include "tests/integration/x11/X11TestServer.h"

namespace corvane::testing {
namespace {

// A Qt GUI application on the dummy server, scaled by two, supplies the
// scale of the screens the backend describes. Runs alone in its process:
// it creates the process's only QGuiApplication.
TEST(QtScreenScaleTest, TakesTheScaleOfTheQtScreenWithTheOutputsName) {
    XorgServer server(testServerOptions());
    server.plug("DUMMY1", "T60");
    server.attachEdid("DUMMY0", monitorEdid("Alpha", 1));
    server.attachEdid("DUMMY1", monitorEdid("Beta", 2));

    X11DisplayBackend::Options options;
    options.displayName = server.displayName();
    options.scaleForOutput = qtScreenScaleLookup();
    X11DisplayBackend backend(options);

    // No application yet: nothing to look up.
    EXPECT_EQ(options.scaleForOutput("DUMMY0"), std::nullopt);
    EXPECT_DOUBLE_EQ(backend.screens().at(0).backingScaleFactor, 1.0);

    qputenv("DISPLAY", server.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_SCALE_FACTOR", "2");
    int argc = 1;
    char name[] = "x11_qt_scale_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    ASSERT_EQ(QGuiApplication::screens().size(), 2);

    const std::vector<ScreenDescription> screens = backend.screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].name, "Alpha");
    EXPECT_DOUBLE_EQ(screens[0].backingScaleFactor, 2.0);
    EXPECT_EQ(screens[1].name, "Beta");
    EXPECT_DOUBLE_EQ(screens[1].backingScaleFactor, 2.0);
    EXPECT_EQ(options.scaleForOutput("DUMMY7"), std::nullopt);
}

}  // namespace
}  // namespace corvane::testing
