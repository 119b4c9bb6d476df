#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "../updater/ProcessHarness.h"
#include "support/https/HttpsServer.h"
#include "update/AppUpdater.h"

// Releases as a publisher makes them: bundles laid out from the built
// programs, sealed and published with the real corvane-release.
namespace corvane::kit {

namespace fs = std::filesystem;

struct Keys {
    fs::path privateKey;
    fs::path publicKey;
};

// Made once per test program with corvane-release keygen.
const Keys& publisherKeys();
const Keys& strangerKeys();
testing::HttpsServer& server();

struct BundleInfo {
    std::string version = "1.4";
    std::string build = "58";
    std::string identifier = "app.corvane.Corvane";
};

// A release bundle: Info.plist, the test program as Corvane, the built
// CorvaneUpdater and corvane-open, the publisher's public key, a private
// folder and a link.
void makeReleaseBundle(const fs::path& bundle, const BundleInfo& info = {});

// corvane-release publish BUNDLE --key … --out OUT; the manifest it wrote.
UpdateManifest publish(const fs::path& bundle, const fs::path& out,
                       const Keys& keys = publisherKeys());

// Zips the bundle as it is (sealed or not, under `topName`) into `out` and
// describes it in out/latest.json, as publish would.
UpdateManifest zipAndDescribe(const fs::path& bundle, const fs::path& out, const BundleInfo& info,
                              const std::string& topName = "Corvane.app");

// The installed Corvane 1.0, build 57, with the publisher's key and the test
// server's certificate authority; its "replacement tool" only reports how it
// was started (see updater_test_app).
void makeInstalledBundle(const fs::path& bundle);

// A zip of exactly these entries, for archives publish would never make.
struct ZipEntry {
    std::string name;
    unsigned mode;        // with the file type: 0100644, 040755, 0120777, 020644 …
    std::string content;  // a file's bytes or a link's target
};
void writeZip(const fs::path& file, const std::vector<ZipEntry>& entries);

std::string sha256Of(const fs::path& file);

}  // namespace corvane::kit
