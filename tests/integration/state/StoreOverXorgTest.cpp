#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "platform/linux/settings/FileSettingsStore.h"
#include "platform/x11/X11DisplayBackend.h"
#include "state/DisplayStore.h"
#include "state/SettingsKeys.h"
#include "testbed/EdidBlob.h"
#include "testbed/XorgServer.h"

namespace corvane {
namespace {

using testing::EdidFields;
using testing::Modeline;
using testing::XorgServer;

// Sizes that Xorg's built-in mode list lacks, so each names one mode.
const Modeline kMain60 = Modeline::withRefresh("Main60", 1504, 944, 60.0);
const Modeline kSide60 = Modeline::withRefresh("Side60", 1208, 744, 60.0);
const Modeline kSide75 = Modeline::withRefresh("Side75", 1352, 856, 75.0);

// The user's choice and the release of the same monitor on the same server,
// with the settings file of a real launch.
class StoreOverXorgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        startServer({kMain60, kSide60, kSide75});
    }

    void startServer(std::vector<Modeline> modelines) {
        server.reset();
        XorgServer::Options options;
        options.modelines = std::move(modelines);
        options.initialMode = kMain60.name;
        server = std::make_unique<XorgServer>(options);
        EdidFields side;
        side.monitorName = QStringLiteral("Side");
        side.serialNumber = 4242;
        server->attachEdid("DUMMY1", testing::makeEdid(side));
        server->plug("DUMMY1", kSide60.name);
    }

    // One launch of the application: its backend connection, settings and store.
    struct Launch {
        std::unique_ptr<X11DisplayBackend> backend;
        std::unique_ptr<FileSettingsStore> settings;
        std::unique_ptr<DisplayStore> store;
    };

    Launch launch() const {
        Launch run;
        X11DisplayBackend::Options options;
        options.displayName = server->displayName();
        run.backend = std::make_unique<X11DisplayBackend>(options);
        run.settings = std::make_unique<FileSettingsStore>(home.path() + "/Corvane/settings.plist");
        run.store = std::make_unique<DisplayStore>(*run.backend, *run.settings);
        return run;
    }

    // What the server itself says an output shows now, "1352x856", or ""
    // when it drives nothing.
    QString sizeOf(const QString& output) const {
        const QString query = server->xrandrOrThrow({"--query"});
        const QRegularExpression line("^" + output + R"( connected (?:primary )?(\d+x\d+)\+)",
                                      QRegularExpression::MultilineOption);
        return line.match(query).captured(1);
    }

    static std::optional<DisplayInfo> sideDisplay(const DisplayStore& store) {
        for (const DisplayInfo& display : store.displays()) {
            if (!display.isMain) {
                return display;
            }
        }
        return std::nullopt;
    }

    static std::optional<DisplayModeInfo> modeOfSize(const DisplayInfo& display, int width,
                                                     int height) {
        for (const DisplayModeInfo& mode : display.modes) {
            if (mode.width == width && mode.height == height) {
                return mode;
            }
        }
        return std::nullopt;
    }

    // The controller's answer to a display change.
    static void displaysChanged(DisplayStore& store) {
        store.refresh();
        store.applySavedModesIfNeeded();
    }

    // The user picks 1352×856 for the side display.
    DisplayId chooseSideMode(DisplayStore& store) const {
        const auto side = sideDisplay(store);
        EXPECT_TRUE(side.has_value());
        const auto chosen = modeOfSize(*side, 1352, 856);
        EXPECT_TRUE(chosen.has_value());
        EXPECT_FALSE(store.applyMode(*chosen, side->id).has_value());
        EXPECT_EQ(sizeOf("DUMMY1"), QStringLiteral("1352x856")) << server->logTail().toStdString();
        EXPECT_FALSE(store.takeWriteError().has_value());
        return side->id;
    }

    QTemporaryDir home;
    std::unique_ptr<XorgServer> server;
};

TEST_F(StoreOverXorgTest, SavedModesOutliveAServerRestartAndOldRecordsMatchBySizeAndRate) {
    DisplayId side = 0;
    {
        Launch first = launch();
        first.store->setAutoApplyOnLaunch(true);
        side = chooseSideMode(*first.store);
        ASSERT_FALSE(HasFailure());
    }
    // The same modelines in another order: the server numbers its modes
    // afresh, and the saved mode must still name 1352×856.
    startServer({kSide75, kSide60, kMain60});
    EXPECT_EQ(sizeOf("DUMMY1"), QStringLiteral("1208x744"));
    launch().store->applySavedModesIfNeeded();
    EXPECT_EQ(sizeOf("DUMMY1"), QStringLiteral("1352x856"));

    // A record of an earlier version holds a mode XID, which this server
    // gave the mode the display is in now: size and rate decide.
    server->setMode("DUMMY1", kSide60.name);
    const QString verbose = server->xrandrOrThrow({"--verbose", "--current"});
    const QString xid =
        QRegularExpression(R"(Side60 \((0x[0-9a-f]+)\))").match(verbose).captured(1);
    ASSERT_FALSE(xid.isEmpty());
    ASSERT_FALSE(launch().settings->setValue(
        settingsKeys::savedMode(side),
        QByteArray(R"({"id":)" + QByteArray::number(xid.toInt(nullptr, 16)) +
                   R"(,"width":1352,"height":856,"pixelWidth":1352,"pixelHeight":856,)"
                   R"("refreshRate":75,"ioFlags":5})")));
    launch().store->applySavedModesIfNeeded();
    EXPECT_EQ(sizeOf("DUMMY1"), QStringLiteral("1352x856"));
}

TEST_F(StoreOverXorgTest, NextLaunchAppliesTheSavedModeOnce) {
    {
        Launch first = launch();
        first.store->setAutoApplyOnLaunch(true);
        chooseSideMode(*first.store);
        ASSERT_FALSE(HasFailure());
    }
    server->setMode("DUMMY1", kSide60.name);

    Launch second = launch();
    DisplayStore& store = *second.store;
    EXPECT_TRUE(store.autoApplyOnLaunch());
    // The store does not apply anything until the application asks it to.
    EXPECT_EQ(sizeOf("DUMMY1"), QStringLiteral("1208x744"));
    store.applySavedModesIfNeeded();
    EXPECT_EQ(sizeOf("DUMMY1"), QStringLiteral("1352x856"));
    EXPECT_EQ(sideDisplay(store)->currentMode->width, 1352);

    server->setMode("DUMMY1", kSide60.name);
    displaysChanged(store);
    EXPECT_EQ(sizeOf("DUMMY1"), QStringLiteral("1208x744"));
}

}  // namespace
}  // namespace corvane
