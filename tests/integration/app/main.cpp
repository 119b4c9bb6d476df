#include "X11Desktop.h"

namespace corvane::testing {

namespace {
std::unique_ptr<X11Desktop> desktop;
}  // namespace

X11Desktop& x11Desktop() {
    return *desktop;
}

INSTANTIATE_TEST_SUITE_P(X11, MenuBarControllerTest,
                         ::testing::Values(+[]() -> ControllerDesktop* { return desktop.get(); }),
                         desktopName);

}  // namespace corvane::testing

// The controller needs a real X server with RandR and a tray before the GUI
// application connects, and the same ones for every test.
int main(int argc, char** argv) {
    using namespace corvane::testing;
    const int status = runInApplication(argc, argv, [] {
        desktop = std::make_unique<X11Desktop>();
        // A second monitor, when plugged, is a HiDPI one beside the tray's.
        qputenv("QT_SCREEN_SCALE_FACTORS", "DUMMY0=1;DUMMY1=2");
        return std::pair(desktop->server->displayName(), QString());
    });
    desktop.reset();
    return status;
}
