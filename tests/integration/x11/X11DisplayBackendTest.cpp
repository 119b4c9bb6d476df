#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <set>

#include "display/DisplayService.h"
#include "platform/x11/RandrLayout.h"
#include "platform/x11/RandrReader.h"
#include "tests/integration/x11/ForeignErrorHandler.h"
#include "tests/integration/x11/X11TestServer.h"

namespace corvane::testing {
namespace {

using ::testing::DoubleNear;
using ::testing::ElementsAre;

class X11DisplayBackendTest : public ::testing::Test {
  protected:
    void SetUp() override { server = std::make_unique<XorgServer>(testServerOptions()); }

    // The screen size as xrandr reports it, "W x H".
    QString screenSize() const {
        const QRegularExpressionMatch match =
            QRegularExpression("current (\\d+ x \\d+)").match(server->xrandrOrThrow({"--current"}));
        return match.captured(1);
    }

    std::vector<DisplayInfo> snapshot() {
        auto backend = connectBackend(*server);
        return DisplayService(*backend).snapshot();
    }

    std::unique_ptr<XorgServer> server;
};

QStringList namesOf(const std::vector<DisplayInfo>& displays) {
    QStringList names;
    for (const DisplayInfo& display : displays) {
        names << display.name;
    }
    return names;
}

TEST_F(X11DisplayBackendTest, SnapshotsDisplaysInOrderWithModesAndStableIdentifiers) {
    server->attachEdid("DUMMY0", monitorEdid("Alpha", 1001));
    const std::vector<DisplayInfo> one = snapshot();
    ASSERT_EQ(one.size(), 1u);
    const DisplayInfo& display = one[0];
    EXPECT_EQ(display.name, "Alpha");
    EXPECT_TRUE(display.isMain);
    EXPECT_DOUBLE_EQ(display.backingScaleFactor, 1.0);
    ASSERT_TRUE(display.currentMode);
    EXPECT_EQ(display.currentMode->width, 1600);
    EXPECT_EQ(display.currentMode->pixelHeight, 1000);
    EXPECT_NEAR(display.currentMode->refreshRate, 60.0, 0.005);
    EXPECT_NE(display.currentMode->id, 0);
    // 59.94 falls within 0.1 Hz of the 59.88 kept before it, 60.00 does
    // not; at 1500×1000 the pair collapses to 59.94.
    EXPECT_THAT(
        ratesAt(display.modes, 1600, 1000),
        ElementsAre(DoubleNear(59.88, 0.005), DoubleNear(60.0, 0.005), DoubleNear(75.0, 0.005)));
    EXPECT_THAT(ratesAt(display.modes, 1500, 1000), ElementsAre(DoubleNear(59.94, 0.005)));

    // DUMMY1 "Display 10" and DUMMY2 "Display 9" join, in a row from the left.
    server->plug("DUMMY1", "T60");
    server->attachEdid("DUMMY1", monitorEdid("Display 10", 1010));
    server->plug("DUMMY2", "P60", {"--right-of", "DUMMY1"});
    server->attachEdid("DUMMY2", monitorEdid("Display 9", 1009));
    const std::vector<DisplayInfo> displays = snapshot();
    ASSERT_EQ(displays.size(), 3u);
    EXPECT_EQ(namesOf(displays), QStringList({"Alpha", "Display 9", "Display 10"}));
    EXPECT_TRUE(displays[0].isMain);
    EXPECT_EQ(displays[0].id, display.id);
    EXPECT_NEAR(displays[1].currentMode->refreshRate, 60.0, 0.005);
    EXPECT_EQ(displays[1].currentMode->width, 1500);
    EXPECT_EQ((std::set{displays[0].id, displays[1].id, displays[2].id}).size(), 3u);

    // Without a primary output the display at the origin is the main one;
    // a primary output is the main one wherever it is.
    server->xrandrOrThrow({"--output", "DUMMY1", "--primary"});
    EXPECT_EQ(namesOf(snapshot()).first(), "Display 10");
    server->xrandrOrThrow({"--noprimary"});
    EXPECT_EQ(namesOf(snapshot()).first(), "Alpha");
}

TEST_F(X11DisplayBackendTest, TellsIdenticalMonitorsApart) {
    const QByteArray twin = monitorEdid("Twin");
    const auto plugTwins = [&] {
        server->plug("DUMMY1", "T60");
        server->plug("DUMMY2", "T60", {"--right-of", "DUMMY1"});
        server->attachEdid("DUMMY1", twin);
        server->attachEdid("DUMMY2", twin);
    };
    plugTwins();
    const std::vector<DisplayInfo> displays = snapshot();
    ASSERT_EQ(displays.size(), 3u);
    // DUMMY0 has no EDID: no name of its own.
    EXPECT_EQ(namesOf(displays), QStringList({"기본 디스플레이", "Twin", "Twin"}));
    EXPECT_NE(displays[1].id, displays[2].id);

    // Alone, the monitor on DUMMY1 keeps the identifier it had.
    server->unplug("DUMMY2");
    const std::vector<DisplayInfo> alone = snapshot();
    ASSERT_EQ(alone.size(), 2u);
    EXPECT_EQ(alone[1].id, displays[1].id);
}

TEST_F(X11DisplayBackendTest, ResizesTheScreenForASwitchAndPassesOnTheCodeOfARefusal) {
    // Wider than RandR's largest screen once placed right of DUMMY0.
    server->newMode(Modeline::withRefresh("Huge", 32000, 1000, 30));
    server->plug("DUMMY1", "T60");
    server->addMode("DUMMY1", "Huge");
    ASSERT_EQ(screenSize(), "3200 x 1000");
    auto backend = connectBackend(*server);
    DisplayService service(*backend);
    const DisplayInfo right = service.snapshot().at(1);
    const std::optional<DisplayModeInfo> huge = modeAt(right.modes, 32000, 1000, 30.0);
    const std::optional<DisplayModeInfo> big = modeAt(right.modes, 2400, 1500, 60.0);
    const std::optional<DisplayModeInfo> back = modeAt(right.modes, 1600, 1000, 60.0);
    ASSERT_TRUE(huge && big && back);

    // The refusal leaves other programs' error handlers alone.
    ForeignErrorHandler foreign;
    EXPECT_EQ(service.setMode(*huge, right.id), DisplayServiceError::changeFailed(xBadValue()));
    EXPECT_TRUE(foreign.isInstalled());
    EXPECT_EQ(foreign.calls(), 0);
    EXPECT_EQ(screenSize(), "3200 x 1000");
    EXPECT_EQ(service.snapshot().at(1).currentMode->width, 1600);

    // A larger mode grows the screen, and switching back shrinks it.
    EXPECT_EQ(service.setMode(*big, right.id), std::nullopt);
    EXPECT_EQ(screenSize(), "4000 x 1500");
    EXPECT_TRUE(server->xrandrOrThrow({"--current"}).contains("DUMMY1 connected 2400x1500+1600+0"));
    EXPECT_EQ(service.setMode(*back, right.id), std::nullopt);
    EXPECT_EQ(screenSize(), "3200 x 1000");

    // A panning output keeps its whole panning area on the screen.
    server->xrandrOrThrow({"--output", "DUMMY1", "--panning", "2000x1200+1600+0"});
    EXPECT_EQ(service.setMode(*modeAt(right.modes, 1500, 1000, 59.94), right.id), std::nullopt);
    EXPECT_EQ(screenSize(), "3600 x 1200");
}

TEST_F(X11DisplayBackendTest, ListsEveryModeOnceWithRatesAndUsabilityFromTheTimings) {
    server->newMode(Modeline::withRefresh("I60", 1600, 1000, 60, {"Interlace"}));
    server->newMode(Modeline::withRefresh("D60", 800, 500, 60, {"DoubleScan"}));
    server->plug("DUMMY1", "T60");
    server->addMode("DUMMY1", "I60");
    server->addMode("DUMMY1", "D60");
    auto backend = connectBackend(*server);
    const DisplayId id = backend->onlineDisplays().value().at(1);

    // The output lists T60 twice, once probed and once added by hand; the
    // backend lists it once. Rates and usability come from the server's
    // timings and flags: per field for interlaced, per line twice for
    // double-scanned modes.
    std::set<std::uint64_t> handles;
    QStringList unusable;
    for (const PlatformMode& mode : backend->allModes(id)) {
        EXPECT_TRUE(handles.insert(mode.handle).second) << mode.handle;
        if (!mode.usableForDesktop) {
            unusable << QStringLiteral("%1 %2 %3")
                            .arg(mode.info.width)
                            .arg(mode.info.refreshRate, 0, 'f', 1)
                            .arg(mode.info.ioFlags &
                                 (x11::kModeFlagInterlace | x11::kModeFlagDoubleScan));
        }
    }
    unusable.sort();
    EXPECT_EQ(unusable, (QStringList{QStringLiteral("1600 60.0 %1").arg(x11::kModeFlagInterlace),
                                     QStringLiteral("800 60.0 %1").arg(x11::kModeFlagDoubleScan)}));
}

TEST_F(X11DisplayBackendTest, ProbesTheHardwareOnlyAtStartAndWhenAsked) {
    auto backend = connectBackend(*server);
    ASSERT_EQ(backend->onlineDisplays().value().size(), 1u);

    // The dummy driver calls an output connected only once it has been
    // probed, so an output turned on without a probe shows up exactly when
    // a read probes.
    const auto turnOnWithoutProbe = [&](const QString& output) {
        server->addMode(output, "T60");
        server->xrandrOrThrow({"--output", output, "--mode", "T60", "--right-of", "DUMMY0"});
    };
    turnOnWithoutProbe("DUMMY3");
    EXPECT_EQ(backend->onlineDisplays().value().size(), 1u);
    EXPECT_EQ(connectBackend(*server)->onlineDisplays().value().size(), 2u);

    turnOnWithoutProbe("DUMMY4");
    EXPECT_EQ(backend->onlineDisplays().value().size(), 2u);
    backend->requestProbe();
    EXPECT_EQ(backend->onlineDisplays().value().size(), 3u);
    EXPECT_EQ(backend->onlineDisplays().value().size(), 3u);
}

// A read asks up front for what the read before found: the same outputs
// and CRTCs, and the EDIDs of the connected outputs. A monitor connected
// since still gets its EDID, and a guess that no longer holds (an output
// gone, another configuration) is dropped without a trace.
TEST_F(X11DisplayBackendTest, ReadsRightWhateverTheLastReadFound) {
    server->plug("DUMMY1", "T60");
    server->attachEdid("DUMMY1", monitorEdid("Display 10", 1010));
    ForeignErrorHandler foreign;
    const auto connection = x11::XConnection::open(server->displayName());
    x11::LayoutShape shape;
    const auto connectedEdids = [&] {
        std::map<QString, QByteArray> edids;
        const auto layout = x11::readLayout(*connection, x11::ResourceQuery::current,
                                            x11::CrtcGeometry::placement, &shape);
        for (const x11::RandrOutput& output : layout.value().outputs) {
            if (output.connected) {
                edids[output.name] = output.edid;
            }
        }
        return edids;
    };
    const auto first = connectedEdids();
    ASSERT_FALSE(first.at("DUMMY1").isEmpty());
    shape.connected.clear();  // as if nothing had been connected before
    EXPECT_EQ(connectedEdids(), first);
    EXPECT_EQ(connectedEdids(), first);
    shape.outputs.push_back(0x7fffffff);  // no such output
    shape.configTimestamp = 1;
    EXPECT_EQ(connectedEdids(), first);
    EXPECT_EQ(foreign.calls(), 0);
}

TEST_F(X11DisplayBackendTest, SurvivesTheServerGoingAway) {
    server->plug("DUMMY1", "T60");
    auto backend = connectBackend(*server);
    DisplayService service(*backend);
    const std::vector<DisplayInfo> before = service.snapshot();
    ASSERT_EQ(before.size(), 2u);
    const PlatformMode mode = backend->allModes(before[1].id).at(0);

    server->stop();

    EXPECT_TRUE(service.snapshot().empty());
    EXPECT_FALSE(backend->isConnected());
    EXPECT_EQ(service.setMode(*before[1].currentMode, before[1].id),
              DisplayServiceError::displayUnavailable());
    EXPECT_EQ(backend->switchMode(before[1].id, mode), kSwitchDisplayGone);
    EXPECT_TRUE(backend->screens().empty());
    EXPECT_EQ(backend->mainDisplay(), 0u);
}

TEST(X11DisplayBackendWithoutServerTest, ReportsNothingWhenItCannotConnect) {
    X11DisplayBackend::Options options;
    options.displayName = ":999";
    X11DisplayBackend backend(options);
    EXPECT_FALSE(backend.isConnected());
    EXPECT_EQ(backend.onlineDisplays(), std::nullopt);
    EXPECT_TRUE(DisplayService(backend).snapshot().empty());
}

}  // namespace
}  // namespace corvane::testing
