#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>

#include "ProcessHarness.h"

namespace corvane::harness {
namespace {

namespace fs = std::filesystem;

std::string binaryInfoPlist(const char* version) {
    plist_t dictionary = plist_new_dict();
    plist_dict_set_item(dictionary, "CFBundleVersion", plist_new_string(version));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dictionary, &bytes, &length);
    plist_free(dictionary);
    std::string result(bytes, length);
    std::free(bytes);
    return result;
}

struct InfoPlistCase {
    const char* name;
    std::optional<std::string> infoPlist;  // none: no Info.plist at all
    std::string build;
};

void PrintTo(const InfoPlistCase& value, std::ostream* out) {
    *out << value.name;
}

std::string withVersion(const std::string& version) {
    return xmlInfoPlist({{"CFBundleExecutable", "Corvane"}, {"CFBundleVersion", version}});
}

// The program that prints bundleBuild() is copied into a bundle of each
// case's making and run from there, as Corvane runs from its bundle.
class BundleBuildTest : public testing::TestWithParam<InfoPlistCase> {
  protected:
    std::string buildSeenFrom(const fs::path& executable) {
        copyExecutable(PRINT_BUNDLE_BUILD_PATH, executable);
        const Finished result = run(executable, {});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    }

    TemporaryFolder temporary_;
};

TEST_P(BundleBuildTest, ReadsTheRunningBundlesVersion) {
    const fs::path bundle = temporary_.path() / "Corvane.app";
    if (GetParam().infoPlist) {
        writeFile(bundle / "Contents" / "Info.plist", *GetParam().infoPlist);
    }
    EXPECT_EQ(buildSeenFrom(bundle / "Contents" / "MacOS" / "Corvane"), GetParam().build + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, BundleBuildTest,
    testing::Values(
        InfoPlistCase{"plain", withVersion("57"), "57"},
        InfoPlistCase{"dotted", withVersion("1.0"), "0"},
        InfoPlistCase{"keyMissing", xmlInfoPlist({{"CFBundleExecutable", "Corvane"}}), "0"},
        InfoPlistCase{"plusSign", withVersion("+7"), "7"},
        InfoPlistCase{"trailingLetters", withVersion("12a"), "0"},
        InfoPlistCase{"outOfRange", withVersion("9223372036854775808"), "0"},
        InfoPlistCase{"largest", withVersion("9223372036854775807"), "9223372036854775807"},
        InfoPlistCase{"empty", withVersion(""), "0"},
        InfoPlistCase{"notAText",
                      "<plist version=\"1.0\"><dict><key>CFBundleVersion</key>"
                      "<integer>57</integer></dict></plist>",
                      "0"},
        InfoPlistCase{"binary", binaryInfoPlist("58"), "58"},
        InfoPlistCase{"notAPropertyList", "CFBundleVersion = 57", "0"},
        InfoPlistCase{"noInfoPlist", std::nullopt, "0"}),
    [](const auto& info) { return info.param.name; });

TEST_F(BundleBuildTest, AProgramOutsideABundleHasBuildZero) {
    const fs::path looksLikeABundle = temporary_.path() / "Corvane.app";
    writeFile(looksLikeABundle / "Contents" / "Info.plist", withVersion("57"));
    EXPECT_EQ(buildSeenFrom(looksLikeABundle / "Contents" / "bin" / "Corvane"), "0\n");
    EXPECT_EQ(buildSeenFrom(looksLikeABundle / "MacOS" / "Corvane"), "0\n");
}

}  // namespace
}  // namespace corvane::harness
