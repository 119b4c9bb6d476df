#include <gtest/gtest.h>

#include <limits>

#include "update/UpdateManifest.h"

namespace corvane {
namespace {

const char* const kDigestText = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

std::optional<UpdateManifest> decoded(const QByteArray& json) {
    auto result = UpdateManifest::fromJson(json);
    if (auto* manifest = std::get_if<UpdateManifest>(&result)) {
        return *manifest;
    }
    return std::nullopt;
}

std::optional<ManifestDecodeError> decodeError(const QByteArray& json) {
    auto result = UpdateManifest::fromJson(json);
    if (auto* error = std::get_if<ManifestDecodeError>(&result)) {
        return *error;
    }
    return std::nullopt;
}

// A manifest document whose "build" member is written as `build`.
QByteArray withBuild(const char* build) {
    return QByteArray(R"({"version":"1.4","build":)") + build +
           R"(,"archiveName":"Corvane-1.4.zip","sha256":")" + kDigestText + R"("})";
}

TEST(UpdateManifestTest, DecodesTheFourKeys) {
    const auto manifest = decoded(withBuild("57"));
    ASSERT_TRUE(manifest);
    EXPECT_EQ(*manifest, (UpdateManifest{"1.4", 57, "Corvane-1.4.zip", kDigestText}));
}

TEST(UpdateManifestTest, IgnoresOtherKeysWhereverTheyStand) {
    const auto manifest = decoded(QByteArray(R"({"notes":{"build":"x","list":[1,{"a":"}"}]},)") +
                                  R"("version":"1.4","build":57,"archiveName":"a.zip",)" +
                                  R"("sha256":")" + kDigestText + R"(","Build":"ignored"})");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->build, 57);
}

struct BrokenManifest {
    const char* name;
    QByteArray json;
    ManifestDecodeError::Kind kind;
    QString key;
};

void PrintTo(const BrokenManifest& value, std::ostream* out) {
    *out << value.name;
}

class UpdateManifestBrokenTest : public testing::TestWithParam<BrokenManifest> {};

TEST_P(UpdateManifestBrokenTest, DoesNotDecode) {
    const auto error = decodeError(GetParam().json);
    ASSERT_TRUE(error) << "decoded: " << GetParam().json.toStdString();
    EXPECT_EQ(error->kind, GetParam().kind);
    EXPECT_EQ(error->key, GetParam().key);
    EXPECT_FALSE(error->description().isEmpty());
}

using Kind = ManifestDecodeError::Kind;
INSTANTIATE_TEST_SUITE_P(
    Table, UpdateManifestBrokenTest,
    testing::Values(
        BrokenManifest{"missingSha256", R"({"version":"1.4","build":57,"archiveName":"a.zip"})",
                       Kind::missingKey, "sha256"},
        BrokenManifest{
            "missingVersion",
            QByteArray(R"({"build":57,"archiveName":"a.zip","sha256":")") + kDigestText + "\"}",
            Kind::missingKey, "version"},
        BrokenManifest{"buildAsString", withBuild(R"("57")"), Kind::wrongType, "build"},
        BrokenManifest{"buildNull", withBuild("null"), Kind::wrongType, "build"},
        BrokenManifest{"buildBoolean", withBuild("true"), Kind::wrongType, "build"},
        BrokenManifest{"versionNull",
                       QByteArray(R"({"version":null,"build":57,"archiveName":"a.zip",)") +
                           R"("sha256":")" + kDigestText + "\"}",
                       Kind::wrongType, "version"},
        BrokenManifest{"digestAsNumber",
                       R"({"version":"1.4","build":57,"archiveName":"a.zip","sha256":12})",
                       Kind::wrongType, "sha256"},
        BrokenManifest{"keyInSnakeCase",
                       QByteArray(R"({"version":"1.4","build":57,"archive_name":"a.zip",)") +
                           R"("sha256":")" + kDigestText + "\"}",
                       Kind::missingKey, "archiveName"},
        BrokenManifest{"fractionalBuild", withBuild("57.5"), Kind::numberOutOfRange, "build"},
        BrokenManifest{"nearlyWholeBuild", withBuild("56.99999999999999999999"),
                       Kind::numberOutOfRange, "build"},
        BrokenManifest{"buildAboveInt64", withBuild("9223372036854775808"), Kind::numberOutOfRange,
                       "build"},
        BrokenManifest{"buildBelowInt64", withBuild("-9223372036854775809"), Kind::numberOutOfRange,
                       "build"},
        BrokenManifest{"buildHugeExponent", withBuild("1e19"), Kind::numberOutOfRange, "build"},
        BrokenManifest{"notJson", "this is not json", Kind::invalidJson, ""},
        BrokenManifest{"trailingGarbage", withBuild("57") + "x", Kind::invalidJson, ""},
        BrokenManifest{"empty", "", Kind::invalidJson, ""},
        BrokenManifest{"array", "[1,2]", Kind::notAnObject, ""}),
    [](const auto& info) { return info.param.name; });

struct ExactBuild {
    const char* name;
    const char* literal;
    qint64 build;
};

void PrintTo(const ExactBuild& value, std::ostream* out) {
    *out << value.name;
}

class UpdateManifestBuildTest : public testing::TestWithParam<ExactBuild> {};

// Doubles hold every integer only up to 2^53; beyond it the literal decides.
TEST_P(UpdateManifestBuildTest, ReadsTheExactNumber) {
    const auto manifest = decoded(withBuild(GetParam().literal));
    ASSERT_TRUE(manifest) << GetParam().literal;
    EXPECT_EQ(manifest->build, GetParam().build);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateManifestBuildTest,
    testing::Values(
        ExactBuild{"zero", "0", 0}, ExactBuild{"negative", "-1", -1},
        ExactBuild{"wholeWithFraction", "57.0", 57}, ExactBuild{"exponent", "5.7e1", 57},
        ExactBuild{"twoPow53PlusOne", "9007199254740993", 9007199254740993LL},
        ExactBuild{"twoPow53PlusOneWithFraction", "9007199254740993.0", 9007199254740993LL},
        ExactBuild{"largeWithExponent", "9.007199254740993e15", 9007199254740993LL},
        ExactBuild{"int64Max", "9223372036854775807", std::numeric_limits<qint64>::max()},
        ExactBuild{"int64MaxWithFraction", "9223372036854775807.000",
                   std::numeric_limits<qint64>::max()},
        ExactBuild{"int64Min", "-9223372036854775808", std::numeric_limits<qint64>::min()}),
    [](const auto& info) { return info.param.name; });

TEST(UpdateManifestTest, EncodingRoundTripsExactly) {
    const UpdateManifest original{"2.0 베타", 9007199254740993LL, "Corvane 2.ZIP", kDigestText};
    const QByteArray json = original.toJson();
    EXPECT_TRUE(json.contains("9007199254740993")) << json.toStdString();
    EXPECT_EQ(decoded(json), original);
}

TEST(UpdateManifestTest, EscapedKeysAreTheSameKeys) {
    const auto manifest =
        decoded(QByteArray(R"({"version":"1","\u0062uild":12,"archiveName":"a.zip",)") +
                R"("sha256":")" + kDigestText + "\"}");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->build, 12);
}

TEST(UpdateManifestTest, ARepeatedKeyCountsWithItsLastValue) {
    const auto manifest =
        decoded(QByteArray(R"({"build":1.5,"version":"1","build":12,"archiveName":"a.zip",)") +
                R"("sha256":")" + kDigestText + "\"}");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->build, 12);
}

}  // namespace
}  // namespace corvane
