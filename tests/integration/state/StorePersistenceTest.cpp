#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/linux/settings/FileSettingsStore.h"
#include "state/DisplayStore.h"
#include "state/SavedDisplayMode.h"
#include "state/SettingsKeys.h"
#include "support/FakeDisplayBackend.h"

namespace corvane {
namespace {

using testing::FakeDisplayBackend;
using testing::usableMode;

const PlatformMode k1080p60 = usableMode(11, 1920, 1080, 60.0);
const PlatformMode k1440p144 = usableMode(13, 2560, 1440, 144.0);
const PlatformMode k720p60 = usableMode(21, 1280, 720, 60.0);
const PlatformMode k768p60 = usableMode(22, 1366, 768, 60.0);

// Two launches of the application against the same settings file.
class StorePersistenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        backend.plug({1, {k1080p60, k1440p144}, k1080p60.handle, std::nullopt});
        backend.plug({2, {k720p60, k768p60}, k720p60.handle, std::nullopt});
        backend.setMain(1);
    }

    QString file() const { return home.path() + "/Corvane/settings.plist"; }

    QTemporaryDir home;
    FakeDisplayBackend backend;
};

TEST_F(StorePersistenceTest, SecondLaunchSeesSelectionSettingsAndSavedModes) {
    {
        FileSettingsStore settings(file());
        DisplayStore store(backend, settings);
        store.setAutoApplyOnLaunch(true);
        store.setIconStyle(MenuBarIconStyle::ring);
        store.setAnimateOnChange(false);
        store.setColorMode(MenuBarColorMode::orange);
        ASSERT_FALSE(store.applyMode(k1440p144.info, 1).has_value());
        ASSERT_FALSE(store.applyMode(k768p60.info, 2).has_value());
        EXPECT_FALSE(store.takeWriteError().has_value());
    }
    // Between launches the displays went back to their old modes.
    backend.switchExternally(1, k1080p60.handle);
    backend.switchExternally(2, k720p60.handle);

    FileSettingsStore settings(file());
    EXPECT_FALSE(settings.setAsidePath().has_value());
    DisplayStore store(backend, settings);
    EXPECT_EQ(store.selectedDisplayID(), 2u);
    EXPECT_TRUE(store.autoApplyOnLaunch());
    EXPECT_EQ(store.iconStyle(), MenuBarIconStyle::ring);
    EXPECT_FALSE(store.animateOnChange());
    EXPECT_EQ(store.colorMode(), MenuBarColorMode::orange);
    const auto saved = settings.data(settingsKeys::savedMode(1));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(decodeSavedDisplayMode(*saved),
              SavedModeDecoding(SavedDisplayMode::from(k1440p144.info)));

    store.applySavedModesIfNeeded();
    EXPECT_EQ(backend.currentModeOf(1)->info, k1440p144.info);
    EXPECT_EQ(backend.currentModeOf(2)->info, k768p60.info);
}

}  // namespace
}  // namespace corvane
