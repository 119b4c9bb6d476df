#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <cmath>
#include <map>
#include <random>

#include "display/DisplayService.h"
#include "platform/x11/X11DisplayChangeMonitor.h"
#include "state/DisplayStore.h"
#include "state/InMemorySettingsStore.h"
#include "tests/integration/x11/X11TestServer.h"

namespace corvane::testing {
namespace {

// The X11 backend, counting the switches that reach the server.
struct CountingBackend : X11DisplayBackend {
    using X11DisplayBackend::X11DisplayBackend;
    std::int32_t switchMode(DisplayId display, const PlatformMode& mode) override {
        ++switches[display];
        return X11DisplayBackend::switchMode(display, mode);
    }
    std::map<DisplayId, int> switches;
};

// Three side displays saved at 75 Hz come and go (unplug, 0–1 s, plug in
// again at 60 Hz) and are switched from outside to other rates of the same
// size, in a random order, while the store answers every reported change
// as the application does and refreshes every two seconds.
TEST(DisplaySoakTest, EveryAppearanceIsReappliedOnceAndNoOutsideSwitchIsOverridden) {
    XorgServer server(testServerOptions());
    const QStringList outputs = {"DUMMY1", "DUMMY2", "DUMMY3"};
    for (int i = 0; i < outputs.size(); ++i) {
        server.attachEdid(outputs[i], monitorEdid(outputs[i], 100 + i));
        server.plug(outputs[i], kT60.name);
    }
    X11DisplayChangeMonitor monitor(server.displayName());
    CountingBackend backend({server.displayName(), {}, &monitor});
    InMemorySettingsStore settings;
    DisplayStore store(backend, settings);
    store.setAutoApplyOnLaunch(true);
    std::map<QString, DisplayId> idOf;
    const std::vector<DisplayInfo> initial = store.displays();
    for (const DisplayInfo& display : initial) {
        if (!display.isMain) {
            idOf[display.name] = display.id;
            ASSERT_FALSE(store.applyMode(*modeAt(display.modes, 1600, 1000, 75), display.id));
        }
    }
    ASSERT_EQ(idOf.size(), 3u);
    store.applySavedModesIfNeeded();
    backend.switches.clear();
    QObject::connect(&monitor, &X11DisplayChangeMonitor::displaysChanged, [&] {
        store.refresh();
        store.applySavedModesIfNeeded();
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { store.refresh(); });
    tick.start(2000);

    // What the server shows, read on a connection of the test's own.
    X11DisplayBackend observer({server.displayName(), {}});
    const DisplayService look(observer);
    const auto shows = [&](const QString& output, double rate) {
        for (const DisplayInfo& display : look.snapshot()) {
            if (display.name == output) {
                return std::abs(display.currentMode->refreshRate - rate) < 0.005;
            }
        }
        return false;
    };

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::map<QString, int> appearances;
    std::map<QString, double> expected;
    for (const QString& output : outputs) {
        expected[output] = 75;
    }
    for (int step = 0; step < 200; ++step) {
        const QString output = outputs[static_cast<qsizetype>(random() % outputs.size())];
        // One change to a display at a time: the last one has settled.
        ASSERT_TRUE(QTest::qWaitFor([&] { return shows(output, expected[output]); }, 5000))
            << output.toStdString() << " at step " << step;
        if (random() % 2 == 0) {
            server.unplug(output);
            QTest::qWait(static_cast<int>(random() % 1001));
            server.plug(output, kT60.name);
            ++appearances[output];
            expected[output] = 75;
        } else {
            const bool slower = random() % 2 == 0;
            server.setMode(output, slower ? kT5988.name : kT60.name);
            expected[output] = slower ? 59.88 : 60;
        }
    }
    QTest::qWait(1500);
    // The main display has no saved mode and is never touched.
    EXPECT_EQ(server.activeMode("DUMMY0"), kT60.name);
    for (const QString& output : outputs) {
        EXPECT_TRUE(shows(output, expected[output])) << output.toStdString();
        EXPECT_EQ(backend.switches[idOf[output]], appearances[output]) << output.toStdString();
    }
}

}  // namespace
}  // namespace corvane::testing
