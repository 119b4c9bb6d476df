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

// The program that prints bundleBuild() is copied into a bundle of each
// row's making and run from there, as Corvane runs from its bundle. The
// number rules themselves are the unit tests' of buildNumberFromBundleVersion.
TEST(BundleBuildTest, ReadsTheInfoPlistOfTheBundleItRunsFrom) {
    const std::string xml = xmlInfoPlist({{"CFBundleVersion", "57"}});
    const struct {
        std::optional<std::string> infoPlist;  // none: no Info.plist at all
        const char* executable;
        const char* build;
    } rows[] = {{xml, "Contents/MacOS/Corvane", "57"},
                {binaryInfoPlist("58"), "Contents/MacOS/Corvane", "58"},
                {std::nullopt, "Contents/MacOS/Corvane", "0"},
                {xml, "Contents/bin/Corvane", "0"}};
    for (const auto& row : rows) {
        const TemporaryFolder temporary;
        const fs::path bundle = temporary.path() / "Corvane.app";
        if (row.infoPlist) {
            writeFile(bundle / "Contents" / "Info.plist", *row.infoPlist);
        }
        copyExecutable(PRINT_BUNDLE_BUILD_PATH, bundle / row.executable);
        EXPECT_EQ(run({(bundle / row.executable).string()}).out, row.build + std::string("\n"))
            << row.infoPlist.value_or("no Info.plist") << " " << row.executable;
    }
}

}  // namespace
}  // namespace corvane::harness
