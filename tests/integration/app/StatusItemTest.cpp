#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "X11Desktop.h"
#include "app/StatusItem.h"

namespace corvane {
namespace {

using namespace corvane::testing;

StatusIconInput numberIcon() {
    StatusIconInput input;
    DisplayInfo display;
    display.id = 1;
    display.currentMode = DisplayModeInfo{0, 1920, 1080, 1920, 1080, 120, 0};
    input.display = display;
    input.style = MenuBarIconStyle::number;
    return input;
}

// A pulse grows the icon and returns it to its size; a new pulse restarts
// a running one.
TEST(StatusItemPulse, GrowsTheIconReturnsToItsSizeAndRestarts) {
    // The ring is drawn from paths alone; text may be rasterised a little
    // differently once the glyph cache has seen other scales.
    StatusIconInput ring = numberIcon();
    ring.style = MenuBarIconStyle::ring;
    StatusItem item;
    item.apply(ring);
    const QImage resting = item.appearance().image;
    QSignalSpy started(&item, &StatusItem::pulseStarted);

    item.pulse();
    ASSERT_TRUE(item.isPulsing());
    QTest::qWait(StatusItem::kPulseMilliseconds / 2);
    const QImage peak = item.appearance().image;
    EXPECT_EQ(peak.size(), resting.size()) << "the pulse scales the content, not the image";
    EXPECT_NE(peak, resting);
    QTest::qWait(StatusItem::kPulseMilliseconds / 6);
    item.pulse();
    // Restarted: still running when the first would have ended.
    QTest::qWait(StatusItem::kPulseMilliseconds / 2);
    EXPECT_TRUE(item.isPulsing());
    EXPECT_EQ(started.size(), 2);

    EXPECT_TRUE(QTest::qWaitFor([&] { return !item.isPulsing(); }, 1000));
    EXPECT_EQ(item.appearance().image, resting);
}

TEST(StatusItemTray, DrawsAtThePixelRatioOfTheTraysScreen) {
    XorgServer& server = *x11Desktop().server;
    server.plug(QStringLiteral("DUMMY1"), "T1080p60");
    ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::screens().size() == 2; }, 3000));
    ASSERT_EQ(qGuiApp->devicePixelRatio(), 2.0) << "the second monitor is not a HiDPI one";
    StatusItem item;
    item.apply(numberIcon());
    item.show();
    const auto ratio = [&] { return item.appearance().image.devicePixelRatio(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return item.trayWindow() != nullptr; }, 3000));
    EXPECT_EQ(ratio(), 1.0);

    // The tray's monitor goes away and the tray moves to the HiDPI one.
    server.xrandr(
        {"--output", "DUMMY1", "--pos", "0x0", "--primary", "--output", "DUMMY0", "--off"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return ratio() == 2.0; }, 3000));

    server.xrandr({"--output", "DUMMY0", "--mode", "T1080p60", "--pos", "0x0", "--primary",
                   "--output", "DUMMY1", "--off"});
    x11Desktop().tray.reset();
    x11Desktop().tray = std::make_unique<TrayHost>(server);
    EXPECT_TRUE(QTest::qWaitFor([] { return qGuiApp->devicePixelRatio() == 1.0; }, 3000));
}

}  // namespace
}  // namespace corvane
