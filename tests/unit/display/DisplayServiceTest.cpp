#include <gtest/gtest.h>

#include <QStringList>
#include <map>

#include "display/DisplayService.h"
#include "support/FakeDisplayBackend.h"

namespace corvane {
namespace {

using testing::FakeDisplayBackend;
using testing::usableMode;

PlatformMode unusable(PlatformMode mode) {
    mode.usableForDesktop = false;
    return mode;
}

class DisplayServiceTest : public ::testing::Test {
  protected:
    // A display whose current mode is its first listed mode.
    void plug(DisplayId id, std::vector<PlatformMode> modes) {
        const std::uint64_t current = modes.front().handle;
        backend.plug({id, std::move(modes), current, std::nullopt});
    }

    FakeDisplayBackend backend;
    DisplayService service{backend};
};

// The first 32 displays the platform lists count; of those, one without a
// current mode is left out. No list at all gives no displays.
TEST_F(DisplayServiceTest, ListsTheFirstThirtyTwoDisplaysThatHaveACurrentMode) {
    EXPECT_TRUE(service.snapshot().empty());
    for (DisplayId id = 1; id <= 40; ++id) {
        const std::vector<PlatformMode> modes{usableMode(1, 1920, 1080, 60)};
        backend.plug(
            {id, modes, id == 2 ? std::nullopt : std::optional(modes[0].handle), std::nullopt});
    }
    const std::vector<DisplayInfo> displays = service.snapshot();
    ASSERT_EQ(displays.size(), 31u);
    EXPECT_EQ(displays[1].id, 3u);
    EXPECT_EQ(displays.back().id, 32u);
    backend.failOnlineList(true);
    EXPECT_TRUE(service.snapshot().empty());
}

TEST_F(DisplayServiceTest, ScreenNamesAndScalesWithFallbacks) {
    plug(1, {usableMode(1, 1920, 1080, 60)});
    plug(2, {usableMode(2, 1920, 1080, 60)});
    plug(3, {usableMode(3, 1920, 1080, 60)});
    plug(5, {usableMode(5, 1920, 1080, 60)});
    backend.setMain(1);
    backend.setScreens({{3, QStringLiteral(" \n\t "), 2.0},
                        {std::nullopt, QStringLiteral("Lost"), 3.0},
                        {5, QStringLiteral("Old"), 1.0},
                        {5, QStringLiteral("  LG UltraFine\n"), 2.0}});

    const std::vector<DisplayInfo> displays = service.snapshot();
    ASSERT_EQ(displays.size(), 4u);
    EXPECT_EQ(displays[0].name, QStringLiteral("기본 디스플레이"));
    EXPECT_TRUE(displays[0].isMain);
    EXPECT_EQ(displays[0].backingScaleFactor, 1.0);
    EXPECT_EQ(displays[1].name, QStringLiteral("디스플레이 2"));
    EXPECT_EQ(displays[1].backingScaleFactor, 1.0);
    // A blank screen name falls back, but the screen's scale still counts.
    EXPECT_EQ(displays[2].name, QStringLiteral("디스플레이 3"));
    EXPECT_EQ(displays[2].backingScaleFactor, 2.0);
    // Names are trimmed, and a later screen of the same display wins.
    EXPECT_EQ(displays[3].name, QStringLiteral("LG UltraFine"));
    EXPECT_EQ(displays[3].backingScaleFactor, 2.0);
}

TEST_F(DisplayServiceTest, MainDisplayFirstThenNaturalNameOrder) {
    const QStringList names{"Display 10", "display 9", "Zebra", "Display 9", "Display 2", "Alpha"};
    // Identifiers fall as the platform lists the displays, so that the
    // platform's order and the identifiers' disagree.
    std::vector<ScreenDescription> screens;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto id = static_cast<DisplayId>(20 - i);
        plug(id, {usableMode(static_cast<std::int32_t>(id), 1920, 1080, 60)});
        screens.push_back({id, names[i], 1.0});
    }
    backend.setMain(18);
    backend.setScreens(std::move(screens));

    QStringList ordered;
    for (const DisplayInfo& display : service.snapshot()) {
        ordered << display.name;
    }
    // Case-insensitive, digit runs by value, equal names in platform order.
    EXPECT_EQ(ordered,
              QStringList({"Zebra", "Alpha", "Display 2", "display 9", "Display 9", "Display 10"}));
}

// The modes a display offers, from the platform's list and current mode.
struct ModeListCase : NamedCase {
    std::vector<PlatformMode> modes;
    std::optional<PlatformMode> current;  // none: the first listed
    bool currentListed;
    std::vector<std::int32_t> offered;
};

class ModeListTest : public DisplayServiceTest,
                     public ::testing::WithParamInterface<ModeListCase> {};

TEST_P(ModeListTest, IsSortedWithoutNearDuplicates) {
    const ModeListCase& c = GetParam();
    const PlatformMode current = c.current ? *c.current : c.modes.front();
    backend.plug({1, c.modes, c.currentListed ? std::optional(current.handle) : std::nullopt,
                  c.currentListed ? std::nullopt : std::optional(current)});
    const DisplayInfo display = service.snapshot().at(0);
    EXPECT_EQ(display.currentMode, current.info);
    std::vector<std::int32_t> ids;
    for (const DisplayModeInfo& mode : display.modes) {
        ids.push_back(mode.id);
    }
    EXPECT_EQ(ids, c.offered);
}

const PlatformMode kUnusableCurrent = unusable(usableMode(20, 1600, 900, 60));

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lists, ModeListTest,
    ::testing::Values(
        // The 60.0 Hz current mode matches the kept 59.94 Hz mode, so it is
        // not added back even though their identifiers differ.
        ModeListCase{"sortedNearDuplicatesCollapse",
            {usableMode(10, 1920, 1080, 60.0), usableMode(11, 1920, 1080, 59.94),
             usableMode(12, 2560, 1440, 59.88), usableMode(13, 1280, 720, 60.0),
             usableMode(14, 1920, 1080, 120.0), unusable(usableMode(15, 1920, 1080, 75.0)),
             usableMode(16, 2560, 1440, 60.0)}, std::nullopt, true, {13, 11, 14, 12, 16}},
        // -1 sorts before 0; every rate of 0 or less keeps one per size.
        ModeListCase{"zeroRatesOnePerSize",
            {usableMode(1, 1920, 1080, 0), usableMode(2, 1920, 1080, 0),
             usableMode(3, 1280, 720, 0), usableMode(4, 1280, 720, -1)}, std::nullopt, true, {4, 1}},
        ModeListCase{"exactTiesKeepTheFirst",
            {usableMode(5, 1920, 1080, 60), usableMode(6, 1920, 1080, 60)}, std::nullopt, true, {5}},
        ModeListCase{"unusableCurrentStillOffered",
            {usableMode(1, 1920, 1080, 60), kUnusableCurrent, usableMode(2, 1280, 720, 60)},
            kUnusableCurrent, true, {2, 20, 1}},
        ModeListCase{"noModesOffersTheCurrent", {}, usableMode(3, 1024, 768, 60), false, {3}}),
    CaseName());
// clang-format on

// setMode

class SetModeTest : public DisplayServiceTest {
  protected:
    void SetUp() override {
        plug(1, {unusable(usableMode(30, 1920, 1080, 60.0)), usableMode(31, 1920, 1080, 60.0),
                 usableMode(32, 1920, 1080, 59.94), usableMode(34, 1920, 1080, 60.0),
                 usableMode(33, 2560, 1440, 60.0)});
    }
};

struct ChoiceCase {
    DisplayModeInfo request;
    std::uint64_t chosen;
};

class ModeChoiceTest : public SetModeTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ModeChoiceTest, PrefersTheIdentifierThenTheNearestRate) {
    EXPECT_FALSE(service.setMode(GetParam().request, 1));
    ASSERT_EQ(backend.switchRequests().size(), 1u);
    EXPECT_EQ(backend.switchRequests()[0].second.handle, GetParam().chosen);
}

// 59.94 Hz is reachable although 60 Hz is listed before it and within
// 0.1 Hz; among exact ties the platform's first usable mode wins.
INSTANTIATE_TEST_SUITE_P(Requests, ModeChoiceTest,
                         ::testing::Values(ChoiceCase{{0, 1920, 1080, 1920, 1080, 59.94, 0}, 32},
                                           ChoiceCase{{999, 1920, 1080, 1920, 1080, 59.95, 0}, 32},
                                           ChoiceCase{{0, 1920, 1080, 1920, 1080, 59.99, 0}, 31},
                                           ChoiceCase{{34, 1920, 1080, 1920, 1080, 60, 0}, 34},
                                           ChoiceCase{{30, 1920, 1080, 1920, 1080, 60, 0}, 31},
                                           // The identifier wins over the recorded size.
                                           ChoiceCase{{33, 800, 600, 800, 600, 75, 0}, 33}));

struct SetModeErrorCase : NamedCase {
    DisplayModeInfo request;
    DisplayId display;
    std::int32_t platformError;
    DisplayServiceError expected;
    bool reachesPlatform;
};

class SetModeErrors : public SetModeTest, public ::testing::WithParamInterface<SetModeErrorCase> {};

TEST_P(SetModeErrors, ReportTheCauseInKorean) {
    const SetModeErrorCase& c = GetParam();
    backend.failSwitchesWith(c.platformError);
    const std::optional<DisplayServiceError> error = service.setMode(c.request, c.display);
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, c.expected);
    const std::map<DisplayServiceError::Kind, QString> descriptions = {
        {DisplayServiceError::Kind::changeFailed,
         "디스플레이 서버가 화면 모드 변경을 거부했습니다. 오류 코드: 1000"},
        {DisplayServiceError::Kind::displayUnavailable,
         "선택한 디스플레이를 찾을 수 없습니다. 모니터 연결 상태를 확인해 주세요."},
        {DisplayServiceError::Kind::modeUnavailable,
         "선택한 해상도와 주사율을 적용할 수 있는 화면 모드를 찾을 수 없습니다."}};
    EXPECT_EQ(error->description(), descriptions.at(error->kind()));
    EXPECT_EQ(backend.switchRequests().size(), c.reachesPlatform ? 1u : 0u);
    EXPECT_EQ(backend.currentModeOf(1)->handle, 30u);
}

const DisplayModeInfo k1440 = {0, 2560, 1440, 2560, 1440, 60, 0};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, SetModeErrors,
    ::testing::Values(
        SetModeErrorCase{"Refused", k1440, 1, 1000, DisplayServiceError::changeFailed(1000), true},
        SetModeErrorCase{"DisplayGone", {0, 1920, 1080, 1920, 1080, 60, 0}, 2, 0,
                         DisplayServiceError::displayUnavailable(), false},
        SetModeErrorCase{"NoMatchingMode", {0, 1920, 1080, 1920, 1080, 75, 0}, 1, 0,
                         DisplayServiceError::modeUnavailable(), false},
        // Gone between the look-up and the switch: not a refusal.
        SetModeErrorCase{"DisplayGoneAtTheSwitch", k1440, 1, kSwitchDisplayGone,
                         DisplayServiceError::displayUnavailable(), true},
        SetModeErrorCase{"ModeGoneAtTheSwitch", k1440, 1, kSwitchModeGone,
                         DisplayServiceError::modeUnavailable(), true}),
    CaseName());
// clang-format on

TEST_F(SetModeTest, DisplayWhoseModesVanishedIsUnavailable) {
    backend.hideModesOf(1);
    EXPECT_EQ(service.setMode({31, 1920, 1080, 1920, 1080, 60, 0}, 1),
              DisplayServiceError::displayUnavailable());
}

}  // namespace
}  // namespace corvane
