#include "ReleaseKit.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <memory>

#include "platform/linux/archive/ZipArchive.h"

namespace corvane::kit {

namespace {

Keys makeKeys(const char* name) {
    static harness::TemporaryFolder folder;
    Keys keys{folder.path() / (std::string(name) + ".pem"),
              folder.path() / (std::string(name) + ".pub")};
    const auto made = harness::run(
        CORVANE_RELEASE_PATH, {"keygen", "--private", keys.privateKey, "--public", keys.publicKey});
    if (made.exitCode != 0) {
        throw std::runtime_error("keygen failed: " + made.err);
    }
    return keys;
}

std::string infoPlist(const BundleInfo& info) {
    return harness::xmlInfoPlist({{"CFBundleIdentifier", info.identifier},
                                  {"CFBundleShortVersionString", info.version},
                                  {"CFBundleVersion", info.build},
                                  {"CFBundleExecutable", "Corvane"}});
}

}  // namespace

const Keys& publisherKeys() {
    static const Keys keys = makeKeys("publisher");
    return keys;
}

const Keys& strangerKeys() {
    static const Keys keys = makeKeys("stranger");
    return keys;
}

testing::HttpsServer& server() {
    static testing::HttpsServer instance;
    return instance;
}

void makeReleaseBundle(const fs::path& bundle, const BundleInfo& info) {
    harness::writeFile(bundle / "Contents/Info.plist", infoPlist(info));
    harness::copyExecutable(TEST_APP_PATH, bundle / "Contents/MacOS/Corvane");
    harness::copyExecutable(CORVANE_UPDATER_PATH, bundle / "Contents/MacOS/CorvaneUpdater");
    harness::copyExecutable(CORVANE_OPEN_PATH, bundle / "Contents/MacOS/corvane-open");
    fs::create_directories(bundle / "Contents/Resources/private");
    fs::copy_file(publisherKeys().publicKey, bundle / "Contents/Resources/update-signing-key.pub");
    fs::permissions(bundle / "Contents/Resources/private", fs::perms::owner_all);
    fs::create_symlink("../MacOS/Corvane", bundle / "Contents/Resources/Corvane");
}

UpdateManifest publish(const fs::path& bundle, const fs::path& out, const Keys& keys) {
    const auto result = harness::run(
        CORVANE_RELEASE_PATH, {"publish", bundle.string(), "--key", keys.privateKey, "--out", out});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    auto manifest =
        UpdateManifest::fromJson(QByteArray::fromStdString(harness::readFile(out / "latest.json")));
    return std::get<UpdateManifest>(manifest);
}

UpdateManifest zipAndDescribe(const fs::path& bundle, const fs::path& out, const BundleInfo& info,
                              const std::string& topName) {
    const UpdateManifest manifest{QString::fromStdString(info.version),
                                  std::stoll(info.build),
                                  QStringLiteral("Release.zip"),
                                  {}};
    fs::create_directories(out);
    const auto problem = archive::createZip(bundle, topName, out / "Release.zip");
    EXPECT_FALSE(problem) << *problem;
    UpdateManifest described = manifest;
    described.sha256 = QString::fromStdString(sha256Of(out / "Release.zip"));
    harness::writeFile(out / "latest.json", described.toJson().toStdString());
    return described;
}

void makeInstalledBundle(const fs::path& bundle) {
    harness::writeFile(bundle / "Contents/Info.plist",
                       infoPlist({"1.0", "57", "app.corvane.Corvane"}));
    harness::copyExecutable(TEST_APP_PATH, bundle / AppUpdater::kReplacementToolPath);
    fs::create_directories(bundle / "Contents/Resources");
    fs::copy_file(publisherKeys().publicKey, bundle / AppUpdater::kSigningKeyPath);
    fs::copy_file(server().authorityCertificate().toStdString(),
                  bundle / AppUpdater::kServerAuthorityPath);
}

namespace {

// libarchive writes zip entries of three types only, so an entry of another
// type is written as a file and its type then patched into the central
// directory, whose "external attributes" hold the Unix mode in their upper
// 16 bits.
void patchMode(const fs::path& file, const std::string& name, unsigned mode) {
    std::string zip = harness::readFile(file);
    const auto u16 = [&zip](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(zip[at]) |
                                        static_cast<unsigned char>(zip[at + 1]) << 8);
    };
    for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos;
         at = zip.find("PK\x01\x02", at + 4)) {
        if (zip.compare(at + 46, u16(at + 28), name) == 0) {
            for (int i = 0; i < 4; ++i) {
                zip[at + 38 + i] = static_cast<char>((mode << 16) >> (8 * i));
            }
        }
    }
    harness::writeFile(file, zip);
}

}  // namespace

void writeZip(const fs::path& file, const std::vector<ZipEntry>& entries) {
    const std::unique_ptr<struct archive, int (*)(struct archive*)> writer(archive_write_new(),
                                                                           archive_write_free);
    archive_write_set_format_zip(writer.get());
    archive_write_open_filename(writer.get(), file.c_str());
    for (const ZipEntry& item : entries) {
        const std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(),
                                                                             archive_entry_free);
        archive_entry_set_pathname(entry.get(), item.name.c_str());
        const unsigned type = item.mode & AE_IFMT;
        const bool link = type == AE_IFLNK;
        const bool writable = link || type == AE_IFREG || type == AE_IFDIR;
        archive_entry_set_mode(entry.get(), writable ? item.mode : (item.mode & 07777) | AE_IFREG);
        if (link) {
            archive_entry_set_symlink(entry.get(), item.content.c_str());
        } else {
            archive_entry_set_size(entry.get(), static_cast<la_int64_t>(item.content.size()));
        }
        ASSERT_EQ(archive_write_header(writer.get(), entry.get()), ARCHIVE_OK) << item.name;
        if (!link) {
            archive_write_data(writer.get(), item.content.data(), item.content.size());
        }
    }
    ASSERT_EQ(archive_write_close(writer.get()), ARCHIVE_OK);
    for (const ZipEntry& item : entries) {
        const unsigned type = item.mode & AE_IFMT;
        if (type != AE_IFLNK && type != AE_IFREG && type != AE_IFDIR) {
            patchMode(file, item.name, item.mode);
        }
    }
}

std::string sha256Of(const fs::path& file) {
    QFile content(QString::fromStdString(file.string()));
    content.open(QIODevice::ReadOnly);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&content);
    return hash.result().toHex().toStdString();
}

}  // namespace corvane::kit
