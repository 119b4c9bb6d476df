#include <gtest/gtest.h>

#include <QDBusError>
#include <QSignalSpy>
#include <QTest>

#include "display/DisplayChangeEcho.h"
#include "display/DisplayService.h"
#include "platform/monitor/DisplayIdentity.h"
#include "platform/mutter/MutterDisplayBackend.h"
#include "platform/mutter/MutterDisplayChangeMonitor.h"
#include "support/session/SessionFixtures.h"

namespace corvane::testing {

std::unique_ptr<MutterSession>& mutterSession();

namespace {

class MutterDisplayBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mutter().control({"reset"});
        mutter().control({"set", "LVDS2", "1920x1080@60.000"});
    }

    static MutterSession& mutter() { return *mutterSession(); }

    // The display service's mode for Mutter's mode name, from a snapshot.
    static DisplayModeInfo modeOf(const DisplayInfo& display, const QString& summary) {
        for (const DisplayModeInfo& mode : display.modes) {
            if (mode.modeSummaryText() == summary) {
                return mode;
            }
        }
        ADD_FAILURE() << "no mode " << summary.toStdString();
        return {};
    }

    QDBusConnection connection = mutter().bus().connect(QStringLiteral("backend-test"));
    MutterDisplayBackend backend{connection};
    DisplayService service{backend};
};

TEST_F(MutterDisplayBackendTest, ListsTheMonitorsAndSwitchesOneKeepingTheOther) {
    std::vector<DisplayInfo> displays = service.snapshot();
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_TRUE(displays[0].isMain);
    EXPECT_EQ(
        displays[0].id,
        monitorDisplayId({"LVDS1", MonitorSpec{"MetaProducts Inc.", "MetaMonitor", "0xC0FFEE-1"}}));
    QStringList modes;
    for (const DisplayModeInfo& mode : displays[1].modes) {
        modes << mode.modeSummaryText();
    }
    EXPECT_EQ(modes, QStringList({"1280×720 · 60Hz", "1920×1080 · 60Hz", "1920×1080 · 120Hz"}));
    EXPECT_EQ(displays[1].currentMode->modeSummaryText(), "1920×1080 · 60Hz");

    EXPECT_EQ(service.setMode(modeOf(displays[1], "1280×720 · 60Hz"), displays[1].id),
              std::nullopt);
    EXPECT_EQ(mutter().control({"state"}),
              "LVDS1 1920x1080@60.000 0 0 1\nLVDS2 1280x720@60.000 1920 0 0");
    displays = service.snapshot();
    EXPECT_EQ(displays[1].currentMode->modeSummaryText(), "1280×720 · 60Hz");

    // Mutter wants its monitors touching: the one on the right follows.
    EXPECT_EQ(service.setMode(modeOf(displays[0], "1280×720 · 60Hz"), displays[0].id),
              std::nullopt);
    EXPECT_EQ(mutter().control({"state"}),
              "LVDS1 1280x720@60.000 0 0 1\nLVDS2 1280x720@60.000 1280 0 0");
}

TEST_F(MutterDisplayBackendTest, ReportsChangesFromOutsideButNotItsOwn) {
    MutterDisplayChangeMonitor monitor(connection);
    ASSERT_TRUE(monitor.isConnected());
    QSignalSpy changes(&monitor, &MutterDisplayChangeMonitor::displaysChanged);
    const DisplayInfo side = service.snapshot().at(1);
    {
        OwnDisplayChange own(monitor);
        ASSERT_EQ(service.setMode(modeOf(side, "1920×1080 · 120Hz"), side.id), std::nullopt);
    }
    EXPECT_FALSE(changes.wait(500));

    mutter().control({"set", "LVDS2", "1280x720@60.000"});
    EXPECT_TRUE(changes.wait(2000));
    EXPECT_EQ(service.snapshot().at(1).currentMode->modeSummaryText(), "1280×720 · 60Hz");
}

// Runs last: it stops the compositor that the other tests share.
TEST_F(MutterDisplayBackendTest, ARefusalOrAVanishedCompositorIsAnErrorNeverACrash) {
    mutter().control({"mirror"});
    std::vector<DisplayInfo> displays = service.snapshot();
    ASSERT_EQ(displays.size(), 2u);
    // Mirrored monitors must share their mode; Mutter says so with InvalidArgs.
    EXPECT_EQ(service.setMode(modeOf(displays[0], "1280×720 · 60Hz"), displays[0].id),
              DisplayServiceError::changeFailed(QDBusError::InvalidArgs));
    EXPECT_EQ(mutter().control({"state"}),
              "LVDS1 1920x1080@60.000 0 0 1\nLVDS2 1920x1080@60.000 0 0 1");

    mutter().stopCompositor();
    EXPECT_TRUE(service.snapshot().empty());
    EXPECT_EQ(backend.switchMode(displays[0].id, {}), MutterDisplayBackend::kDisplayGone);
}

}  // namespace
}  // namespace corvane::testing
