#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "state/DisplayStore.h"
#include "state/InMemorySettingsStore.h"
#include "state/SavedDisplayMode.h"
#include "state/SettingsKeys.h"
#include "support/FakeDisplayBackend.h"

namespace corvane {
namespace {

using testing::FakeDisplayBackend;
using testing::usableMode;

// Counts snapshots, so that a test can tell how often the store refreshed.
class CountingBackend : public FakeDisplayBackend {
  public:
    std::optional<std::vector<DisplayId>> onlineDisplays() override {
        ++onlineListReads;
        return FakeDisplayBackend::onlineDisplays();
    }
    int onlineListReads = 0;
};

// In-memory settings whose writes can be made to fail.
class FlakySettings : public InMemorySettingsStore {
  public:
    std::optional<SettingsError> setValue(const QString& key, const SettingValue& value) override {
        ++writes;
        const auto result = InMemorySettingsStore::setValue(key, value);
        return failure ? failure : result;
    }
    std::optional<SettingsError> remove(const QString& key) override {
        ++writes;
        const auto result = InMemorySettingsStore::remove(key);
        return failure ? failure : result;
    }
    std::optional<SettingsError> failure;
    int writes = 0;
};

void put(SettingsStore& settings, const QString& key, const SettingValue& value) {
    ASSERT_FALSE(settings.setValue(key, value).has_value());
}

QByteArray encoded(const DisplayModeInfo& mode) {
    return *encodeSavedDisplayMode(SavedDisplayMode::from(mode));
}

const PlatformMode k1080p60 = usableMode(11, 1920, 1080, 60.0);
const PlatformMode k1440p5994 = usableMode(12, 2560, 1440, 59.94);
const PlatformMode k1440p144 = usableMode(13, 2560, 1440, 144.0);
const PlatformMode k720p60 = usableMode(21, 1280, 720, 60.0);
const PlatformMode k768p60 = usableMode(22, 1366, 768, 60.0);

class DisplayStoreTest : public ::testing::Test {
  protected:
    // Display 1: main, in 1080p60. Display 2: external, in 720p60.
    void plugBoth() {
        backend.plug({1, {k1080p60, k1440p5994, k1440p144}, k1080p60.handle, std::nullopt});
        backend.plug({2, {k720p60, k768p60}, k720p60.handle, std::nullopt});
        backend.setMain(1);
    }

    DisplayStore& open() {
        store = std::make_unique<DisplayStore>(backend, settings);
        return *store;
    }

    int refreshesDuring(const std::function<void()>& action) {
        const int before = backend.onlineListReads;
        action();
        return backend.onlineListReads - before;
    }

    std::size_t switchCount() const { return backend.switchRequests().size(); }

    CountingBackend backend;
    FlakySettings settings;
    std::unique_ptr<DisplayStore> store;
};

struct StoredSettingsCase : NamedCase {
    std::vector<std::pair<QString, SettingValue>> stored;
    bool autoApply;
    MenuBarIconStyle iconStyle;
    bool animate;
    MenuBarColorMode colorMode;
};

class StoredSettingsTest : public DisplayStoreTest,
                           public ::testing::WithParamInterface<StoredSettingsCase> {};

TEST_P(StoredSettingsTest, ReadsValuesAndFallsBackWithoutRewriting) {
    for (const auto& [key, value] : GetParam().stored) {
        put(settings, key, value);
    }
    plugBoth();
    const int writesBefore = settings.writes;
    DisplayStore& s = open();
    EXPECT_EQ(s.autoApplyOnLaunch(), GetParam().autoApply);
    EXPECT_EQ(s.iconStyle(), GetParam().iconStyle);
    EXPECT_EQ(s.animateOnChange(), GetParam().animate);
    EXPECT_EQ(s.colorMode(), GetParam().colorMode);
    EXPECT_FALSE(s.statusMessage().has_value());
    for (const auto& [key, value] : GetParam().stored) {
        EXPECT_EQ(settings.value(key), value) << key.toStdString();
    }
    // Only the first selection is written, never a default.
    EXPECT_EQ(settings.writes - writesBefore, 1);
}

using namespace settingsKeys;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Settings, StoredSettingsTest,
    ::testing::Values(
        StoredSettingsCase{"nothingStored", {},
            false, MenuBarIconStyle::glyph, true, MenuBarColorMode::system},
        StoredSettingsCase{"storedChoices",
            {{kAutoApplyOnLaunch, true}, {kIconStyle, QString("ring")},
             {kAnimateOnChange, false}, {kColorMode, QString("purple")}},
            true, MenuBarIconStyle::ring, false, MenuBarColorMode::purple},
        StoredSettingsCase{"foreignWordsOrCase",
            {{kIconStyle, QString("Number")}, {kColorMode, QString("teal")}},
            false, MenuBarIconStyle::glyph, true, MenuBarColorMode::system},
        StoredSettingsCase{"valuesOfAnotherType",
            {{kAutoApplyOnLaunch, QString("true")}, {kIconStyle, std::int64_t{2}},
             {kAnimateOnChange, std::int64_t{0}}, {kColorMode, QByteArray("blue")}},
            false, MenuBarIconStyle::glyph, true, MenuBarColorMode::system}),
    CaseName());
// clang-format on

struct StoredSelectionCase : NamedCase {
    std::optional<SettingValue> stored;
    DisplayId selected;
    DisplayId main = 1;
};

class StoredSelectionTest : public DisplayStoreTest,
                            public ::testing::WithParamInterface<StoredSelectionCase> {};

// A connected display stays selected; anything else gives way to the main
// display, else the first, which is stored.
TEST_P(StoredSelectionTest, IsKeptOnlyWhenItNamesAConnectedDisplay) {
    if (GetParam().stored) {
        put(settings, kSelectedDisplayID, *GetParam().stored);
    }
    plugBoth();
    backend.setMain(GetParam().main);
    DisplayStore& s = open();
    EXPECT_EQ(s.selectedDisplayID(), GetParam().selected);
    EXPECT_EQ(s.selectedDisplay()->id, GetParam().selected);
    EXPECT_EQ(settings.value(kSelectedDisplayID), SettingValue(std::int64_t{GetParam().selected}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Selections, StoredSelectionTest,
    ::testing::Values(StoredSelectionCase{"firstLaunch", std::nullopt, 2, 2},
                      StoredSelectionCase{"firstLaunchMainGone", std::nullopt, 1, 99},
                      StoredSelectionCase{"connected", std::int64_t{2}, 2},
                      StoredSelectionCase{"displayNotConnected", std::int64_t{99}, 1},
                      StoredSelectionCase{"notANumber", QString("2"), 1},
                      // Its low 32 bits would name display 2.
                      StoredSelectionCase{"beyondDisplayIdentifiers", std::int64_t{(1LL << 32) + 2}, 1}),
    CaseName());
// clang-format on

// A snapshot that cannot be read changes nothing; no displays at all clear
// the selection and its key until a display appears again.
TEST_F(DisplayStoreTest, SelectionFollowsReadableSnapshotsOnly) {
    plugBoth();
    DisplayStore& s = open();
    s.selectDisplay(2);
    backend.failOnlineList(true);
    s.refresh();
    EXPECT_EQ(s.displays().size(), 2u);
    EXPECT_EQ(s.selectedDisplayID(), 2u);
    EXPECT_EQ(settings.integer(kSelectedDisplayID), 2);

    backend.failOnlineList(false);
    backend.unplug(1);
    backend.unplug(2);
    s.refresh();
    EXPECT_TRUE(s.displays().empty());
    EXPECT_FALSE(s.selectedDisplayID().has_value());
    EXPECT_FALSE(s.selectedDisplay().has_value());
    EXPECT_FALSE(settings.contains(kSelectedDisplayID));

    backend.plug({2, {k720p60}, k720p60.handle, std::nullopt});
    s.refresh();
    EXPECT_EQ(s.selectedDisplayID(), 2u);
    EXPECT_EQ(settings.integer(kSelectedDisplayID), 2);
}

TEST_F(DisplayStoreTest, SelectingADisplayStoresItAndClearsTheStatusLineAnUnknownOneNothing) {
    plugBoth();
    DisplayStore& s = open();
    ASSERT_FALSE(s.applyMode(k1440p144.info, 1).has_value());
    const auto status = s.statusMessage();
    ASSERT_TRUE(status.has_value());
    const int writes = settings.writes;
    s.selectDisplay(42);
    EXPECT_EQ(s.selectedDisplayID(), 1u);
    EXPECT_EQ(s.statusMessage(), status);
    EXPECT_EQ(settings.writes, writes);

    s.selectDisplay(2);
    EXPECT_EQ(s.selectedDisplayID(), 2u);
    EXPECT_EQ(settings.integer(kSelectedDisplayID), 2);
    EXPECT_FALSE(s.statusMessage().has_value());
}

TEST_F(DisplayStoreTest, UserSwitchSavesTheModeSelectsTheDisplayAndSaysSo) {
    plugBoth();
    DisplayStore& s = open();
    ASSERT_FALSE(s.applyMode(k1440p5994.info, 1).has_value());
    s.selectDisplay(2);
    ASSERT_FALSE(s.applyMode(k1440p5994.info, 1).has_value());

    EXPECT_EQ(s.statusMessage(), QStringLiteral("2560×1440 · 59.94Hz 적용됨"));
    EXPECT_EQ(s.selectedDisplayID(), 1u);
    EXPECT_EQ(settings.integer(kSelectedDisplayID), 1);
    EXPECT_EQ(settings.data(savedMode(1)), encoded(k1440p5994.info));
    // The snapshot was taken again after the switch.
    EXPECT_EQ(s.selectedDisplay()->currentMode, k1440p5994.info);

    // A later switch overwrites the saved mode.
    ASSERT_FALSE(s.applyMode(k1440p144.info, 1).has_value());
    EXPECT_EQ(settings.data(savedMode(1)), encoded(k1440p144.info));
    EXPECT_FALSE(settings.contains(savedMode(2)));

    // A refused switch keeps the selection; the saved mode, the status line
    // and the alert are read back in MenuBarControllerTest.
    s.selectDisplay(2);
    backend.failSwitchesWith(1000);
    EXPECT_EQ(s.applyMode(k1080p60.info, 1), DisplayServiceError::changeFailed(1000));
    EXPECT_EQ(s.selectedDisplayID(), 2u);
}

class SavedModesTest : public DisplayStoreTest {
  protected:
    void SetUp() override {
        put(settings, kAutoApplyOnLaunch, true);
        plugBoth();
    }
};

TEST_F(SavedModesTest, SavedModeIsAppliedOncePerAppearance) {
    put(settings, savedMode(2), encoded(k768p60.info));
    DisplayStore& s = open();
    const int perRefresh = refreshesDuring([&] { s.refresh(); });

    // The walk refreshes once before and, having switched, once after.
    EXPECT_EQ(refreshesDuring([&] { s.applySavedModesIfNeeded(); }), 2 * perRefresh);
    ASSERT_EQ(switchCount(), 1u);
    EXPECT_EQ(backend.switchRequests()[0].first, 2u);
    EXPECT_EQ(s.displays()[1].currentMode, k768p60.info);
    // Re-application is not a user choice: nothing is saved and no line is set.
    EXPECT_FALSE(settings.contains(savedMode(1)));
    EXPECT_FALSE(s.statusMessage().has_value());

    // Changed by other means while it stays connected: not applied again.
    backend.switchExternally(2, k720p60.handle);
    s.refresh();
    s.applySavedModesIfNeeded();
    EXPECT_EQ(switchCount(), 1u);

    // Unplugged and plugged in again: considered anew. The call's own
    // refresh notices that the display was away.
    backend.unplug(2);
    s.applySavedModesIfNeeded();
    backend.plug({2, {k720p60, k768p60}, k720p60.handle, std::nullopt});
    s.applySavedModesIfNeeded();
    EXPECT_EQ(switchCount(), 2u);
    EXPECT_EQ(backend.currentModeOf(2)->info, k768p60.info);

    // Gone and back between two reads: the backend's word is enough.
    backend.switchExternally(2, k720p60.handle);
    backend.noteDeparture(2);
    s.applySavedModesIfNeeded();
    EXPECT_EQ(switchCount(), 3u);
    EXPECT_EQ(backend.currentModeOf(2)->info, k768p60.info);
}

struct NearRateCase {
    PlatformMode saved;
    std::uint64_t current;
    std::size_t switches;
};

class NearRateTest : public SavedModesTest, public ::testing::WithParamInterface<NearRateCase> {};

// The record names one of two rates 0.06 Hz apart; without a usable
// identifier, the nearer rate decides, and a display already there is left.
TEST_P(NearRateTest, ReappliesTheRateTheRecordNames) {
    const PlatformMode k1440p60 = usableMode(14, 2560, 1440, 60.0);
    backend.plug({1, {k1440p60, k1440p5994}, GetParam().current, std::nullopt});
    put(settings, savedMode(1), encoded(GetParam().saved.info));
    DisplayStore& s = open();
    s.applySavedModesIfNeeded();
    EXPECT_EQ(switchCount(), GetParam().switches);
    EXPECT_EQ(backend.currentModeOf(1)->info.refreshRate, GetParam().saved.info.refreshRate);
}

INSTANTIATE_TEST_SUITE_P(Records, NearRateTest,
                         ::testing::Values(NearRateCase{usableMode(77, 2560, 1440, 59.94), 14, 1},
                                           NearRateCase{usableMode(12, 2560, 1440, 59.94), 14, 1},
                                           NearRateCase{usableMode(77, 2560, 1440, 60.0), 14, 0},
                                           NearRateCase{usableMode(0, 2560, 1440, 59.94), 12, 0}));

TEST_F(SavedModesTest, CorruptSavedDataIsPassedOverLeftInPlaceAndNotRetried) {
    const QByteArray corrupt = R"({"id":13,"width":2560})";
    put(settings, savedMode(1), corrupt);
    put(settings, savedMode(2), encoded(k768p60.info));
    DisplayStore& s = open();
    s.applySavedModesIfNeeded();
    // The walk went on to display 2.
    ASSERT_EQ(switchCount(), 1u);
    EXPECT_EQ(backend.switchRequests()[0].first, 2u);
    EXPECT_EQ(settings.data(savedMode(1)), corrupt);
    EXPECT_FALSE(s.statusMessage().has_value());

    // Readable data appearing later is not looked at until the display returns.
    put(settings, savedMode(1), encoded(k1440p144.info));
    s.applySavedModesIfNeeded();
    EXPECT_EQ(switchCount(), 1u);
    backend.unplug(1);
    s.refresh();
    backend.plug({1, {k1080p60, k1440p5994, k1440p144}, k1080p60.handle, std::nullopt});
    s.applySavedModesIfNeeded();
    EXPECT_EQ(backend.currentModeOf(1)->info, k1440p144.info);
}

TEST_F(SavedModesTest, SavedModeStoredAsAStringIsIgnored) {
    put(settings, savedMode(1), QString::fromUtf8(encoded(k1440p144.info)));
    open().applySavedModesIfNeeded();
    EXPECT_EQ(switchCount(), 0u);
}

TEST_F(SavedModesTest, FailureBecomesTheStatusLineAndTheWalkGoesOn) {
    put(settings, savedMode(1), encoded(usableMode(0, 3840, 2160, 60).info));
    put(settings, savedMode(2), encoded(k768p60.info));
    DisplayStore& s = open();
    s.applySavedModesIfNeeded();
    EXPECT_EQ(s.statusMessage(),
              "자동 적용 실패: " + DisplayServiceError::modeUnavailable().description());
    EXPECT_EQ(backend.currentModeOf(2)->info, k768p60.info);

    // A later successful re-application keeps the line.
    backend.unplug(2);
    s.refresh();
    backend.plug({2, {k720p60, k768p60}, k720p60.handle, std::nullopt});
    s.applySavedModesIfNeeded();
    EXPECT_EQ(backend.currentModeOf(2)->info, k768p60.info);
    EXPECT_TRUE(
        s.statusMessage().value_or(QString()).startsWith(QStringLiteral("자동 적용 실패: ")));
}

// Every choice is written at once, in the words the settings file has
// always used, and read back by the next launch.
TEST_F(DisplayStoreTest, SettingsAreStoredAtOnceInTheirWords) {
    plugBoth();
    QStringList words;
    for (MenuBarIconStyle style : kAllIconStyles) {
        open().setIconStyle(style);
        words << settings.string(kIconStyle).value_or(QString());
        EXPECT_EQ(open().iconStyle(), style);
    }
    for (MenuBarColorMode mode : kAllColorModes) {
        open().setColorMode(mode);
        words << settings.string(kColorMode).value_or(QString());
        EXPECT_EQ(open().colorMode(), mode);
    }
    EXPECT_EQ(words.join(' '), "glyph number ring system blue green orange purple adaptive");
    open().setAutoApplyOnLaunch(true);
    open().setAnimateOnChange(false);
    EXPECT_EQ(settings.boolean(kAutoApplyOnLaunch), true);
    EXPECT_EQ(settings.boolean(kAnimateOnChange), false);
    EXPECT_TRUE(open().autoApplyOnLaunch());
    EXPECT_FALSE(open().animateOnChange());
}

TEST_F(DisplayStoreTest, FailedWriteIsReportedOnceAndTheValueHoldsForTheRun) {
    plugBoth();
    DisplayStore& s = open();
    EXPECT_FALSE(s.takeWriteError().has_value());
    const SettingsError diskFull(SettingsError::Kind::writeFailed, "/x/settings.plist",
                                 "No space left on device");
    settings.failure = diskFull;
    s.setColorMode(MenuBarColorMode::green);
    EXPECT_EQ(s.colorMode(), MenuBarColorMode::green);
    EXPECT_EQ(s.takeWriteError(), diskFull);
    EXPECT_FALSE(s.takeWriteError().has_value());

    // Writes inside the display operations are reported the same way.
    ASSERT_FALSE(s.applyMode(k1440p144.info, 1).has_value());
    EXPECT_EQ(s.takeWriteError(), diskFull);
    settings.failure.reset();
    s.selectDisplay(2);
    EXPECT_FALSE(s.takeWriteError().has_value());
}

}  // namespace
}  // namespace corvane
