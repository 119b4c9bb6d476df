#include <gtest/gtest.h>

#include "update/AppUpdater.h"

namespace corvane {
namespace {

const QString kDigest =
    QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");

struct ArchiveName {
    const char* name;
    QString text;
    bool safe;
};

void PrintTo(const ArchiveName& value, std::ostream* out) {
    *out << value.name;
}

class SafeArchiveNameTest : public testing::TestWithParam<ArchiveName> {};

TEST_P(SafeArchiveNameTest, Decides) {
    EXPECT_EQ(AppUpdater::isSafeArchiveName(GetParam().text), GetParam().safe);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SafeArchiveNameTest,
    testing::Values(ArchiveName{"empty", "", false}, ArchiveName{"dot", ".", false},
                    ArchiveName{"dotDot", "..", false}, ArchiveName{"slash", "a/b.zip", false},
                    ArchiveName{"backslash", "..\\b.zip", false},
                    ArchiveName{"zipThenMore", "release.zip.txt", false},
                    ArchiveName{"tarGzNamed", "release.tar.gz", false},
                    ArchiveName{"withSpaces", "Corvane 1.4 release.zip", true},
                    ArchiveName{"upperCase", "Release.ZIP", true},
                    ArchiveName{"bareExtension", ".zip", true},
                    ArchiveName{"hangul", QStringLiteral("코르베인.zip"), true},
                    ArchiveName{"dotDotPrefix", "..zip", true}),
    [](const auto& info) { return info.param.name; });

UpdateManifest validManifest() {
    return UpdateManifest{"1.4", 57, "Corvane-1.4.zip", kDigest};
}

struct ManifestCase {
    const char* name;
    UpdateManifest manifest;
    bool valid;
};

void PrintTo(const ManifestCase& value, std::ostream* out) {
    *out << value.name;
}

UpdateManifest with(void (*change)(UpdateManifest&)) {
    UpdateManifest manifest = validManifest();
    change(manifest);
    return manifest;
}

class ValidManifestTest : public testing::TestWithParam<ManifestCase> {};

TEST_P(ValidManifestTest, Decides) {
    EXPECT_EQ(AppUpdater::isValidManifest(GetParam().manifest), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValidManifestTest,
    testing::Values(
        ManifestCase{"valid", validManifest(), true},
        ManifestCase{"buildOne", with([](UpdateManifest& m) { m.build = 1; }), true},
        ManifestCase{"buildZero", with([](UpdateManifest& m) { m.build = 0; }), false},
        ManifestCase{"buildNegative", with([](UpdateManifest& m) { m.build = -1; }), false},
        ManifestCase{"emptyVersion", with([](UpdateManifest& m) { m.version.clear(); }), false},
        ManifestCase{"unsafeArchive", with([](UpdateManifest& m) { m.archiveName = "../a.zip"; }),
                     false},
        ManifestCase{"digest65", with([](UpdateManifest& m) { m.sha256 += 'a'; }), false},
        ManifestCase{"digestWithG", with([](UpdateManifest& m) { m.sha256[10] = 'g'; }), false},
        ManifestCase{"digestWithSpace", with([](UpdateManifest& m) { m.sha256[63] = ' '; }), false},
        ManifestCase{"digestUpperCase",
                     with([](UpdateManifest& m) { m.sha256 = m.sha256.toUpper(); }), true},
        // 63 digits and one character outside the BMP: 65 UTF-16 units.
        ManifestCase{"digestWithEmoji", with([](UpdateManifest& m) {
                         m.sha256.chop(1);
                         m.sha256 += QString::fromUcs4(U"\U0001F600");
                     }),
                     false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
