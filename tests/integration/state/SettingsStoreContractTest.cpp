#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <limits>
#include <memory>

#include "platform/linux/settings/FileSettingsStore.h"
#include "state/InMemorySettingsStore.h"

namespace corvane {
namespace {

// What every settings store promises, checked on the in-memory store and
// on the settings file alike.
struct StoreKind {
    const char* name;
    std::function<std::unique_ptr<SettingsStore>(const QString& folder)> open;
};

void PrintTo(const StoreKind& c, std::ostream* out) {
    *out << c.name;
}

class SettingsStoreContractTest : public ::testing::TestWithParam<StoreKind> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        store = GetParam().open(folder.path());
    }

    QTemporaryDir folder;
    std::unique_ptr<SettingsStore> store;
};

TEST_P(SettingsStoreContractTest, EachTypeReadsBackOnlyAsItself) {
    ASSERT_FALSE(store->setValue("i", std::int64_t{7}).has_value());
    ASSERT_FALSE(store->setValue("b", false).has_value());
    ASSERT_FALSE(store->setValue("s", QString("7")).has_value());
    ASSERT_FALSE(store->setValue("d", QByteArray("7")).has_value());

    EXPECT_EQ(store->integer("i"), 7);
    EXPECT_FALSE(store->boolean("i").has_value());
    EXPECT_FALSE(store->string("i").has_value());
    EXPECT_FALSE(store->data("i").has_value());

    EXPECT_EQ(store->boolean("b"), false);
    EXPECT_FALSE(store->integer("b").has_value());

    EXPECT_EQ(store->string("s"), QStringLiteral("7"));
    EXPECT_FALSE(store->integer("s").has_value());
    EXPECT_FALSE(store->data("s").has_value());

    EXPECT_EQ(store->data("d"), QByteArray("7"));
    EXPECT_FALSE(store->string("d").has_value());

    EXPECT_FALSE(store->value("absent").has_value());
}

TEST_P(SettingsStoreContractTest, NewValueReplacesTheOldOneAndItsType) {
    ASSERT_FALSE(store->setValue("k", std::int64_t{1}).has_value());
    ASSERT_FALSE(store->setValue("k", QString("one")).has_value());
    EXPECT_FALSE(store->integer("k").has_value());
    EXPECT_EQ(store->string("k"), QStringLiteral("one"));
}

TEST_P(SettingsStoreContractTest, RemovedKeyIsAbsentAndRemovingTwiceIsHarmless) {
    ASSERT_FALSE(store->setValue("k", true).has_value());
    ASSERT_FALSE(store->remove("k").has_value());
    EXPECT_FALSE(store->value("k").has_value());
    EXPECT_FALSE(store->remove("k").has_value());
}

TEST_P(SettingsStoreContractTest, KeepsExtremeAndAwkwardValuesExactly) {
    const std::vector<std::pair<QString, SettingValue>> values = {
        {"max", std::numeric_limits<std::int64_t>::max()},
        {"min", std::numeric_limits<std::int64_t>::min()},
        {"negative", std::int64_t{-5}},
        {"display", std::int64_t{4294967295}},
        {"markup", QString("<key>&amp; ]]> \"'\t\n 한글")},
        {"emptyString", QString()},
        {"bytes", QByteArray("\0\x01\xff<>&", 6)},
        {"emptyData", QByteArray()},
        {"키 with spaces & <marks>", true},
    };
    for (const auto& [key, value] : values) {
        ASSERT_FALSE(store->setValue(key, value).has_value()) << key.toStdString();
    }
    for (const auto& [key, value] : values) {
        EXPECT_EQ(store->value(key), value) << key.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stores, SettingsStoreContractTest,
    ::testing::Values(StoreKind{"inMemory",
                                [](const QString&) -> std::unique_ptr<SettingsStore> {
                                    return std::make_unique<InMemorySettingsStore>();
                                }},
                      StoreKind{"file",
                                [](const QString& folder) -> std::unique_ptr<SettingsStore> {
                                    return std::make_unique<FileSettingsStore>(
                                        folder + "/Corvane/settings.plist");
                                }}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
