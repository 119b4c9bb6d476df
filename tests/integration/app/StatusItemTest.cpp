#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "app/StatusItem.h"

namespace corvane {
namespace {

StatusIconInput numberIcon() {
    StatusIconInput input;
    DisplayInfo display;
    display.id = 1;
    display.currentMode = DisplayModeInfo{0, 1920, 1080, 1920, 1080, 120, 0};
    input.display = display;
    input.style = MenuBarIconStyle::number;
    return input;
}

TEST(StatusItemPulse, GrowsTheIconAndReturnsToItsSize) {
    // The ring is drawn from paths alone; text may be rasterised a little
    // differently once the glyph cache has seen other scales.
    StatusIconInput ring = numberIcon();
    ring.style = MenuBarIconStyle::ring;
    StatusItem item;
    item.apply(ring);
    const QImage resting = item.appearance().image;

    item.pulse();
    ASSERT_TRUE(item.isPulsing());
    QTest::qWait(StatusItem::kPulseMilliseconds / 2);
    const QImage peak = item.appearance().image;
    EXPECT_EQ(peak.size(), resting.size()) << "the pulse scales the content, not the image";
    EXPECT_NE(peak, resting);

    EXPECT_TRUE(QTest::qWaitFor([&] { return !item.isPulsing(); }, 1000));
    EXPECT_EQ(item.appearance().image, resting);
}

TEST(StatusItemPulse, ANewPulseReplacesTheRunningOne) {
    StatusItem item;
    item.apply(numberIcon());
    QSignalSpy started(&item, &StatusItem::pulseStarted);
    item.pulse();
    QTest::qWait(StatusItem::kPulseMilliseconds * 2 / 3);
    item.pulse();
    // Restarted: still running when the first would have ended.
    QTest::qWait(StatusItem::kPulseMilliseconds / 2);
    EXPECT_TRUE(item.isPulsing());
    EXPECT_EQ(started.size(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !item.isPulsing(); }, 1000));
}

TEST(StatusItemTexts, ComeFromTheRenderedIcon) {
    StatusItem item;
    item.apply(numberIcon());
    EXPECT_EQ(item.trayIcon().toolTip(), QStringLiteral("화면 주사율: 120Hz"));
    EXPECT_EQ(item.appearance().accessibleName, QStringLiteral("화면 주사율 120Hz"));
    EXPECT_FALSE(item.trayIcon().icon().isNull());
}

}  // namespace
}  // namespace corvane
