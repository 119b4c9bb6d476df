#include <gtest/gtest.h>

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

// A manifest document whose "build" member is written as `build`.
QByteArray withBuild(const char* build) {
    return QByteArray(R"({"version":"1.4","build":)") + build +
           R"(,"archiveName":"Corvane-1.4.zip","sha256":")" + kDigestText + R"("})";
}

TEST(UpdateManifestTest, DecodesTheFourKeys) {
    const auto manifest = decoded(withBuild("57"));
    ASSERT_TRUE(manifest);
    EXPECT_EQ(*manifest, (UpdateManifest{"1.4", 57, "Corvane-1.4.zip", kDigestText}));
    // Beyond 2^53 a double holds only some whole numbers: the literal decides.
    EXPECT_EQ(decoded(withBuild("9.007199254740993e15"))->build, 9007199254740993LL);
}

struct BrokenManifest : NamedCase {
    QByteArray json;
    ManifestDecodeError::Kind kind;
    QString key;
};

class UpdateManifestBrokenTest : public testing::TestWithParam<BrokenManifest> {};

TEST_P(UpdateManifestBrokenTest, DoesNotDecode) {
    const auto result = UpdateManifest::fromJson(GetParam().json);
    const auto* error = std::get_if<ManifestDecodeError>(&result);
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
        BrokenManifest{"buildAsString", withBuild(R"("57")"), Kind::wrongType, "build"},
        BrokenManifest{"digestAsNumber",
                       R"({"version":"1.4","build":57,"archiveName":"a.zip","sha256":12})",
                       Kind::wrongType, "sha256"},
        BrokenManifest{"fractionalBuild", withBuild("57.5"), Kind::numberOutOfRange, "build"},
        BrokenManifest{"notJson", "this is not json", Kind::invalidJson, ""},
        BrokenManifest{"array", "[1,2]", Kind::notAnObject, ""}),
    CaseName());

TEST(UpdateManifestTest, EncodingRoundTripsExactly) {
    const UpdateManifest original{"2.0 베타", 9007199254740993LL, "Corvane 2.ZIP", kDigestText};
    const QByteArray json = original.toJson();
    EXPECT_TRUE(json.contains("9007199254740993")) << json.toStdString();
    EXPECT_EQ(decoded(json), original);
}

}  // namespace
}  // namespace corvane
