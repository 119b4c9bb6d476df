#pragma once

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QTest>
#include <functional>
#include <map>

#include "../updater/ProcessHarness.h"
#include "support/https/HttpsServer.h"
#include "update/AppUpdater.h"

// Releases made as a publisher makes them, with the real corvane-release
// from the built programs, and an installed Corvane to update.
namespace corvane::kit {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline harness::Finished release(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{CORVANE_RELEASE_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return harness::run(command);
}

// Names a table's case by its name in the test output.
template <typename Case, typename = decltype(Case::name)>
std::ostream& operator<<(std::ostream& out, const Case& row) {
    return out << row.name;
}

struct Keys {
    fs::path privateKey, publicKey;
};

// A key pair made once per test program with corvane-release keygen.
inline const Keys& keys(const std::string& name = "publisher") {
    static const harness::TemporaryFolder folder;
    static std::map<std::string, Keys> made;
    if (!made.count(name)) {
        const Keys pair{folder.path() / (name + ".pem"), folder.path() / (name + ".pub")};
        EXPECT_EQ(
            release({"keygen", "--private", pair.privateKey, "--public", pair.publicKey}).exitCode,
            0);
        made[name] = pair;
    }
    return made[name];
}

inline testing::HttpsServer& server() {
    static testing::HttpsServer instance;
    return instance;
}

struct BundleInfo {
    std::string version = "1.4";
    std::string build = "58";
    std::string identifier = "app.corvane.Corvane";
};

inline std::string infoPlist(const BundleInfo& info) {
    return harness::xmlInfoPlist({{"CFBundleIdentifier", info.identifier},
                                  {"CFBundleShortVersionString", info.version},
                                  {"CFBundleVersion", info.build},
                                  {"CFBundleExecutable", "Corvane"}});
}

// Info.plist, the small test program as each of its programs (so the
// replacement tool only reports how it was started), the publisher's key, a
// private folder and a link.
inline void makeReleaseBundle(const fs::path& bundle, const BundleInfo& info = {}) {
    harness::writeFile(bundle / "Contents/Info.plist", infoPlist(info));
    for (const char* program : {"Corvane", "CorvaneUpdater", "corvane-open"}) {
        harness::copyExecutable(TEST_APP_PATH, bundle / "Contents/MacOS" / program);
    }
    fs::create_directories(bundle / "Contents/Resources/private");
    fs::permissions(bundle / "Contents/Resources/private", fs::perms::owner_all);
    fs::copy_file(keys().publicKey, bundle / AppUpdater::kSigningKeyPath);
    fs::create_symlink("../MacOS/Corvane", bundle / "Contents/Resources/Corvane");
}

// corvane-release publish; the manifest it wrote.
inline UpdateManifest publish(const fs::path& bundle, const fs::path& out,
                              const Keys& signer = keys()) {
    const auto published = release({"publish", bundle, "--key", signer.privateKey, "--out", out});
    EXPECT_EQ(published.exitCode, 0) << published.err;
    return std::get<UpdateManifest>(UpdateManifest::fromJson(
        QByteArray::fromStdString(harness::readFile(out / "latest.json"))));
}

inline std::string sha256Of(const fs::path& file) {
    const QByteArray bytes = QByteArray::fromStdString(harness::readFile(file));
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

// An installed Corvane 1.0 (build 57), a release bundle trusting the
// publisher's key and the test server's certificate authority, its working
// and feed folders beside it. This test process runs as that Corvane; its
// "replacement tool" only reports how it was started, to report().
class UpdateTest : public ::testing::Test {
  protected:
    UpdateTest() {
        makeReleaseBundle(installed(), {"1.0", "57"});
        fs::copy_file(server().authorityCertificate().toStdString(),
                      installed() / AppUpdater::kServerAuthorityPath);
        qputenv("CORVANE_TEST_REPORT", report().c_str());
        qputenv("HOME", path("Home").c_str());  // the backups and their record
        qputenv("CORVANE_TEST_LINGER_MS", "0");
    }

    fs::path path(const char* name) const { return folder_.path() / name; }
    fs::path installed() const { return path("Applications/Corvane.app"); }
    fs::path support() const { return path("Support"); }
    fs::path report() const { return path("tool-report"); }

    // Build 57, the two local folders, no server.
    AppUpdater::Parameters parameters() const {
        AppUpdater::Parameters p;
        p.appBundleURL = QUrl::fromLocalFile(installed().c_str());
        p.currentBuild = 57;
        p.updateDirectories = QList<QUrl>{QUrl::fromLocalFile(path("Local1").c_str()),
                                          QUrl::fromLocalFile(path("Local2").c_str())};
        p.applicationSupportDirectory = QUrl::fromLocalFile(support().c_str());
        return p;
    }

    harness::TemporaryFolder folder_;
};

}  // namespace corvane::kit
