#include <archive.h>
#include <archive_entry.h>
#include <signal.h>
#include <sys/stat.h>

#include <QElapsedTimer>
#include <QSslSocket>
#include <QTcpServer>
#include <fstream>

#include "UpdateFixture.h"
#include "platform/linux/archive/ZipArchive.h"
#include "update/UpdateFailure.h"

// Outside an unnamed namespace, so that the cases print by name.
namespace corvane::kit {

using enum UpdateCheckResult::Kind;
using Change = std::function<void(const fs::path& file)>;

// What a case published in the source it acts on (the server's folder when
// it publishes there, else the first local folder), for changes afterwards.
struct Made {
    UpdateManifest manifest;
    AppUpdater::Parameters& parameters;
    fs::path bundle, out;  // the publisher's bundle; the source's folder
    void describe() const {
        harness::writeFile(out / "latest.json", manifest.toJson().toStdString());
    }
};
using Then = std::function<void(Made&)>;

// How the test's own server misbehaves instead of nginx.
enum class Rude { none, stall, stallArchive, cutArchive };

struct HostileCase {
    const char* name;
    UpdateCheckResult::Kind result;
    const char* error = nullptr;    // staging's own error, by name, when staging refuses
    const char* version = nullptr;  // of the release scheduled
    // Releases published on the server (its folder served under /<case>/)
    // and in the two local folders.
    std::optional<BundleInfo> server = BundleInfo{}, local1 = {}, local2 = {};
    QString feed = "latest.json";  // the manifest's path under /<case>/
    Rude rude = Rude::none;
    Then then = nullptr;       // once everything is published
    int archiveRequests = -1;  // archive requests the server logs; -1: not checked
    QStringList logged = {};   // lines the server's log must hold
    bool twice = false;        // the check under test follows a hand-off whose tool still runs
    std::function<void(const fs::path& buildFolder)> verify = nullptr;
};

// A server of the test's own over TLS: it answers a "latest.json" with
// nginx's copy; an archive request it leaves without a byte, or answers
// with a tenth of the length it announces before closing. `stall` answers
// nothing at all.
struct RudeServer : QTcpServer {
    explicit RudeServer(Rude mode) : mode_(mode) { listen(QHostAddress::LocalHost, 0); }
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setLocalCertificate(server().serverCertificate());
        socket->setPrivateKey(server().serverKey(), QSsl::Ec);
        connect(socket, &QSslSocket::readyRead, this, [this, socket] {
            const QByteArray path = socket->readAll().split(' ').value(1).split('?').value(0);
            if (mode_ != Rude::stall && path.endsWith("/latest.json")) {
                const QByteArray body = QByteArray::fromStdString(
                    harness::readFile(server().root().toStdString() + path.toStdString()));
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: " +
                              QByteArray::number(body.size()) + "\r\n\r\n" + body);
            } else if (mode_ == Rude::cutArchive) {
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" +
                              QByteArray(1000, 'x'));
                socket->disconnectFromHost();
            }
        });
        socket->startServerEncryption();
    }
    const Rude mode_;
};

// Terminations this process received: none may come from a refused release.
volatile sig_atomic_t terminations = 0;

Then replacing(const char* file, Change edit = nullptr) {
    return [=](Made& m) {
        fs::remove(m.out / file);
        if (edit) {
            edit(m.out / file);
        }
    };
}

Then describing(void (*change)(UpdateManifest&)) {
    return [change](Made& m) {
        change(m.manifest);
        m.describe();
    };
}

// The release's archive replaced by what `write` makes, and described.
Then rezipped(std::function<void(const fs::path& archive, Made&)> write) {
    return [write](Made& m) {
        const fs::path archive = m.out / m.manifest.archiveName.toStdString();
        write(archive, m);
        m.manifest.sha256 = QString::fromStdString(sha256Of(archive));
        m.describe();
    };
}

// The sealed bundle changed, then zipped as its publisher would have.
Then afterSealing(Change change, std::string topName = "Corvane.app") {
    return rezipped([=](const fs::path& archive, Made& m) {
        change(m.bundle);
        EXPECT_FALSE(archive::createZip(m.bundle, topName, archive));
    });
}

// The bundle changed, then sealed and published again.
Then resealed(Change change, const char* publisher = "publisher") {
    return [=](Made& m) {
        change(m.bundle);
        m.manifest = publish(m.bundle, m.out, keys(publisher));
    };
}

// A zip of one entry of any type: libarchive writes files, folders and
// links only, so the type is patched into the central directory, whose
// external attributes hold the mode in their upper 16 bits.
// `claimed`, when given, replaces the size the archive states for the file.
Then zipped(std::string name, unsigned mode, std::string content, std::uint32_t claimed = 0) {
    return rezipped([=](const fs::path& archive, Made&) {
        const bool link = (mode & AE_IFMT) == AE_IFLNK;
        const std::unique_ptr<::archive, int (*)(::archive*)> zip(archive_write_new(),
                                                                  archive_write_free);
        archive_write_set_format_zip(zip.get());
        archive_write_zip_set_compression_deflate(zip.get());
        archive_write_open_filename(zip.get(), archive.c_str());
        const std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(),
                                                                             archive_entry_free);
        archive_entry_set_pathname(entry.get(), name.c_str());
        archive_entry_set_mode(entry.get(), link ? mode : (mode & 07777) | AE_IFREG);
        archive_entry_set_symlink(entry.get(), link ? content.c_str() : nullptr);
        archive_entry_set_size(entry.get(), link ? 0 : content.size());
        archive_write_header(zip.get(), entry.get());
        archive_write_data(zip.get(), content.data(), link ? 0 : content.size());
        archive_write_close(zip.get());
        std::string bytes = harness::readFile(archive);
        const std::size_t central = bytes.find("PK\x01\x02");
        bytes[central + 40] = static_cast<char>(mode & 0xff);
        bytes[central + 41] = static_cast<char>(mode >> 8);
        for (const std::size_t at : {std::size_t{22}, central + 24}) {
            for (int i = 0; claimed && i < 4; ++i) {
                bytes[at + i] = static_cast<char>(claimed >> (8 * i));
            }
        }
        harness::writeFile(archive, bytes);
    });
}

Change writing(const char* item, std::string content) {
    return [=](const fs::path& bundle) { harness::writeFile(bundle / item, content); };
}

Change removing(const char* item) {
    return [item](const fs::path& bundle) { fs::remove(bundle / item); };
}

Then uninstalled(const char* item) {
    return [item](Made& m) {
        fs::remove(m.parameters.appBundleURL.toLocalFile().toStdString() + "/" + item);
    };
}

class HostileReleaseTest : public UpdateTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileReleaseTest, DecidesAndChangesNothingItRefuses) {
    const HostileCase& row = GetParam();
    ::signal(SIGTERM, [](int) { terminations = terminations + 1; });
    qputenv("CORVANE_TEST_LINGER_MS", "5000");
    const fs::path folders[] = {server().root().toStdString() + "/" + row.name, path("Local1"),
                                path("Local2")};
    const std::optional<BundleInfo>* releases[] = {&row.server, &row.local1, &row.local2};
    const fs::path& out = folders[row.server ? 0 : 1];
    AppUpdater::Parameters parameters = this->parameters();
    Made made{{}, parameters, out.string() + "-bundle", out};
    for (int i = 0; i < 3; ++i) {
        fs::create_directories(folders[i]);
        if (*releases[i]) {
            makeReleaseBundle(folders[i].string() + "-bundle", **releases[i]);
            const auto manifest = publish(folders[i].string() + "-bundle", folders[i]);
            made.manifest = folders[i] == out ? manifest : made.manifest;
        }
    }
    RudeServer rude(row.rude);
    if (row.server) {
        parameters.remoteFeedURL =
            row.rude == Rude::none ? server().url(QStringLiteral("/%1/").arg(row.name) + row.feed)
                                   : QUrl(QStringLiteral("https://127.0.0.1:%1/%2/latest.json")
                                              .arg(rude.serverPort())
                                              .arg(row.name));
    }
    if (row.then) {
        row.then(made);
    }
    const harness::Tree installation = harness::snapshot(installed());
    AppUpdater engine(parameters);
    if (row.twice) {
        ASSERT_EQ(engine.checkAndScheduleUpdate().kind(), scheduled);
        ASSERT_TRUE(harness::waitForReport(report(), 10s));
        fs::remove(report());
    }

    QElapsedTimer clock;
    clock.start();
    const UpdateCheckResult result = engine.checkAndScheduleUpdate();

    // No source holds the engine for long: every wait is bounded.
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(result.kind(), row.result);
    EXPECT_EQ(result.manifest() ? result.manifest()->version : QString(), row.version);
    EXPECT_FALSE(fs::exists(support() / "Downloads") && !fs::is_empty(support() / "Downloads"));
    EXPECT_EQ(harness::snapshot(installed()), installation);
    EXPECT_EQ(terminations, 0);
    // A tool starts exactly for a release this check handed off, with eight
    // arguments, its output to nowhere and nothing else open, and the check
    // returns while it runs.
    const bool handedOff = row.result == scheduled && !row.twice;
    const auto tool = harness::waitForReport(report(), handedOff ? 10s : 200ms);
    EXPECT_EQ(tool.has_value(), handedOff);
    EXPECT_EQ(engine.scheduledBuild().has_value(), row.result == scheduled);
    if (tool && result.manifest()) {
        EXPECT_EQ(::kill(std::stoi(tool->at("pid")), 0), 0);
        std::string started;  // "arg1" … "arg8", "arguments", "fd0" …, in that order
        for (const auto& [key, value] : *tool) {
            started += key.rfind("arg", 0) == 0 || key.rfind("fd", 0) == 0 ? "|" + value : "";
        }
        EXPECT_EQ(started, "|--pid|" + std::to_string(::getpid()) + "|--source|" +
                               support().string() + "/Staging/build-" +
                               std::to_string(result.manifest()->build) +
                               "/Extracted/Corvane.app|--destination|" + installed().string() +
                               "|--backup-root|" + path("Home").string() +
                               "/Library/Application Support/Corvane/Backups|8" +
                               "|/dev/null|/dev/null|/dev/null");
    }
    const fs::path buildFolder =
        support() / "Staging" / ("build-" + std::to_string(made.manifest.build));
    if (row.verify) {
        row.verify(buildFolder);
    }
    // nginx may write a request's line a moment after answering it.
    const QString archives = QStringLiteral("GET /%1/Corvane-").arg(row.name);
    QStringList log;
    const auto archiveRequests = [&] {
        return (log = server().accessLog()).filter(archives).size();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return archiveRequests() >= row.archiveRequests; }, 2000));
    EXPECT_TRUE(row.archiveRequests < 0 || archiveRequests() == row.archiveRequests);
    for (const QString& line : row.logged) {
        EXPECT_TRUE(log.contains(line)) << line.toStdString();
    }
    if (row.error) {  // staged again directly, the release fails as the check found
        // What the earlier staging left is replaced as a whole.
        harness::writeFile(buildFolder / "Extracted/left-over", "");
        std::string outcome = "scheduled";
        try {
            engine.stageAndSchedule(made.manifest,
                                    (out / made.manifest.archiveName.toStdString()).c_str());
        } catch (const UpdateFailure& failure) {
            outcome = std::holds_alternative<UpdaterError>(failure.cause())
                          ? failure.description().toStdString()
                          : "platform";
        }
        EXPECT_EQ(outcome, row.error);
        EXPECT_FALSE(fs::exists(buildFolder / "Extracted/left-over"));
        EXPECT_FALSE(engine.scheduledBuild());
    }
}

const std::optional<BundleInfo> kNone;
const BundleInfo kSame{"1.0", "57"};
const BundleInfo kNewer{"1.5", "59"};
const char* const kArchive = "Corvane-1.4-58.zip";
const char* const kManifest = "latest.json";
const char* const kInvalid = "invalidCandidate";
const char* const kFailed = "processFailed";

const Change kFifo = [](const fs::path& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0); };

// The manifest of the published 1.4 with this digest, build and archive
// name, then `padding` spaces.
Then manifest(std::string digest, const char* build = "58", const char* name = kArchive,
              std::size_t padding = 0) {
    return replacing(kManifest, [=](const fs::path& file) {
        harness::writeFile(file, R"({"version":"1.4","build":)" + std::string(build) +
                                     R"(,"archiveName":")" + name + R"(","sha256":")" + digest +
                                     "\"}" + std::string(padding, ' '));
    });
}

const std::string kDigest(64, 'a');
const Then kNotJson =
    replacing(kManifest, [](const fs::path& file) { harness::writeFile(file, "{"); });

// Connections to it are refused.
const Then kRefused = [](Made& m) { m.parameters.remoteFeedURL = QUrl("https://127.0.0.1:1/"); };

// A RISC-V machine in the ELF header: a processor this host is not.
void foreignMachine(const fs::path& bundle) {
    std::fstream program(bundle / "Contents/MacOS/Corvane", std::ios::in | std::ios::out);
    program.seekp(18);
    program.write("\xF3\x00", 2);
}

const auto nothingStaged = [](const fs::path& folder) { EXPECT_FALSE(fs::exists(folder)); };

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, HostileReleaseTest, ::testing::ValuesIn(std::vector<HostileCase>{
    // Where releases come from and which one wins.
    {.name = "nothingAnywhere", .result = unavailable, .server = kNone},
    {.name = "serverUnreachable", .result = failed, .server = kNone, .then = kRefused},
    {.name = "unreachableLocalSame", .result = latest, .server = kNone, .local1 = kSame,
     .then = kRefused},
    {.name = "serverSameLocalNewer", .result = scheduled, .version = "1.4", .server = kSame,
     .local1 = BundleInfo{}},
    {.name = "fromServer", .result = scheduled, .version = "1.4", .feed = "latest.json?channel=beta",
     .archiveRequests = 1, .logged = {
         R"(GET /fromServer/latest.json?channel=beta&client_build=57 200 "application/json" "no-cache")",
         R"(GET /fromServer/Corvane-1.4-58.zip 200 "application/zip, application/octet-stream" "no-cache")"}},
    {.name = "upperCaseDigest", .result = scheduled, .version = "1.4",
     .then = describing([](UpdateManifest& m) { m.sha256 = m.sha256.toUpper(); })},
    {.name = "againAfterHandOff", .result = scheduled, .version = "1.4", .archiveRequests = 1,
     .twice = true},
    {.name = "firstFolderWins", .result = scheduled, .version = "1.4", .server = kNone,
     .local1 = BundleInfo{}, .local2 = kNewer},
    {.name = "failedBeforeSkipped", .result = scheduled, .version = "1.5", .local1 = kNewer,
     .then = [](Made&) { harness::writeFile(AppUpdater::backupRoot() / "failed-builds", "58\n"); },
     .archiveRequests = 0},
    {.name = "lowerBuild", .result = latest, .server = BundleInfo{"0.9", "56"}, .archiveRequests = 0},
    {.name = "equalBuild", .result = latest, .server = kSame, .archiveRequests = 0},
    // Manifests that cannot be acted on.
    {.name = "localNotJson", .result = latest, .server = kNone, .then = kNotJson},
    {.name = "buildAsString", .result = failed, .then = manifest(kDigest, "\"58\"")},
    {.name = "serverManifestTooLarge", .result = failed,
     .then = manifest(kDigest, "58", kArchive, 1 << 20)},
    {.name = "localManifestTooLarge", .result = latest, .server = kNone,
     .then = manifest(kDigest, "58", kArchive, 1 << 20)},
    {.name = "localManifestFifo", .result = latest, .server = kNone,
     .then = replacing(kManifest, kFifo)},
    {.name = "digestOf63", .result = unavailable, .then = manifest(std::string(63, 'a')),
     .archiveRequests = 0},
    {.name = "fullWidthDigest", .result = unavailable,
     .then = manifest(std::string(63, 'a') + "\uff10"), .archiveRequests = 0},
    {.name = "controlCharacterInName", .result = unavailable,
     .then = manifest(kDigest, "58", "Corvane-1.4\\u0007.zip"), .archiveRequests = 0},
    // Archives that do not arrive whole.
    {.name = "archiveNotFound", .result = unavailable, .then = replacing(kArchive),
     .archiveRequests = 1, .verify = nothingStaged},
    {.name = "archiveStatus500", .result = unavailable,
     .feed = "../fail/archiveStatus500/latest.json", .verify = nothingStaged},
    {.name = "redirectToPlainHttp", .result = failed,
     .feed = "../plain/redirectToPlainHttp/latest.json", .archiveRequests = 0, .logged = {
         R"(GET /plain/redirectToPlainHttp/latest.json?client_build=57 302 "application/json" "no-cache")"}},
    {.name = "archiveTooLarge", .result = unavailable,
     .feed = "../chunked/archiveTooLarge/latest.json",
     .then = [](Made& m) { m.parameters.limits.maxArchiveBytes = 100'000; }, .verify = nothingStaged},
    {.name = "downloadTooSlow", .result = unavailable, .feed = "../slow/downloadTooSlow/latest.json",
     .then = [](Made& m) { m.parameters.limits.maxDownloadTime = 1500ms; }, .verify = nothingStaged},
    {.name = "downloadCutShort", .result = unavailable, .rude = Rude::cutArchive,
     .verify = nothingStaged},
    {.name = "manifestStalls", .result = failed, .rude = Rude::stall,
     .then = [](Made& m) { m.parameters.limits.manifestIdleTimeout = 500ms; }},
    {.name = "archiveStalls", .result = unavailable, .rude = Rude::stallArchive,
     .then = [](Made& m) { m.parameters.limits.archiveIdleTimeout = 500ms; }, .verify = nothingStaged},
    {.name = "localNoArchive", .result = unavailable, .server = kNone, .local1 = BundleInfo{},
     .then = replacing(kArchive)},
    {.name = "localArchiveFifo", .result = unavailable, .server = kNone, .local1 = BundleInfo{},
     .then = replacing(kArchive, kFifo)},
    // Archives that are not the release the manifest names.
    {.name = "digestMismatch", .result = unavailable, .error = "archiveHashMismatch",
     .then = describing([](UpdateManifest& m) { m.sha256[0] = m.sha256[0] == u'0' ? u'1' : u'0'; }),
     .verify = [](const fs::path& folder) {  // nothing but the archive's copy
         EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
         EXPECT_TRUE(fs::exists(folder / kArchive));
     }},
    {.name = "unsealed", .result = unavailable, .error = kFailed,
     .then = afterSealing(removing("Contents/Seal/list"))},
    {.name = "otherPublisher", .result = unavailable, .error = kFailed,
     .then = resealed([](const fs::path&) {}, "stranger")},
    {.name = "fileChanged", .result = unavailable, .error = kFailed,
     .then = afterSealing(writing(AppUpdater::kSigningKeyPath, "x"))},
    {.name = "fileAdded", .result = unavailable, .error = kFailed,
     .then = afterSealing(writing("Contents/extra", ""))},
    {.name = "fileRemoved", .result = unavailable, .error = kFailed,
     .then = afterSealing(removing(AppUpdater::kSigningKeyPath))},
    {.name = "uninstalledKey", .result = unavailable, .error = kFailed,
     .then = uninstalled(AppUpdater::kSigningKeyPath)},
    // Archives that would write outside their folder, or what may not be written.
    {.name = "absoluteEntry", .result = unavailable, .error = kFailed,
     .then = zipped("/tmp/corvane-absolute", 0100644, "x")},
    {.name = "parentEntry", .result = unavailable, .error = kFailed,
     .then = zipped("Corvane.app/../escape", 0100644, "x")},
    // (libarchive itself reads a FIFO entry of a zip as a regular file.)
    {.name = "deviceEntry", .result = unavailable, .error = kFailed,
     .then = zipped("Corvane.app/device", 020644, "")},
    {.name = "linkOutside", .result = unavailable, .error = kFailed,
     .then = zipped("Corvane.app/Contents/etc", 0120777, "../../../etc")},
    {.name = "setuidDropped", .result = unavailable, .error = kInvalid,
     .then = zipped("Corvane.app/tool", 0106755, "x"), .verify = [](const fs::path& f) {
         EXPECT_EQ(fs::status(f / "Extracted/Corvane.app/tool").permissions(), fs::perms(0755));
     }},
    {.name = "zipBomb", .result = unavailable, .error = kFailed, .then = [](Made& m) {
         m.parameters.limits.maxUnpackedBytes = 1 << 20;
         zipped("Corvane.app/bomb", 0100644, std::string(64 << 20, '\0'))(m);
         EXPECT_LT(fs::file_size(m.out / kArchive), 100'000u);
     }, .verify = [](const fs::path& f) {
         // Refused by its claimed size before anything was written, and never
         // extended to that size.
         EXPECT_FALSE(fs::exists(f / "Extracted/Corvane.app/bomb"));
     }},
    // The same bomb stating a small size: stopped by the bytes it unpacks.
    {.name = "zipBombUnderstated", .result = unavailable, .error = kFailed, .then = [](Made& m) {
         m.parameters.limits.maxUnpackedBytes = 1 << 20;
         zipped("Corvane.app/bomb", 0100644, std::string(64 << 20, '\0'), 1000)(m);
     }, .verify = [](const fs::path& f) {
         EXPECT_LE(fs::file_size(f / "Extracted/Corvane.app/bomb"), 2u << 20);
     }},
    {.name = "tooManyEntries", .result = unavailable, .error = kFailed,
     .then = [](Made& m) { m.parameters.limits.maxUnpackedEntries = 5; }},
    // Candidates that are not this application's next release.
    {.name = "nestedInAFolder", .result = unavailable, .error = kInvalid,
     .then = afterSealing([](const fs::path&) {}, "A/Corvane.app")},
    {.name = "shortVersionDiffers", .result = unavailable, .error = kInvalid,
     .then = describing([](UpdateManifest& m) { m.version = "1.4.0"; })},
    {.name = "build057", .result = unavailable, .error = kInvalid, .server = BundleInfo{"1.4", "57"},
     .then = [](Made& m) {
         m.parameters.currentBuild = 56;
         afterSealing(writing("Contents/Info.plist", infoPlist({"1.4", "057"})))(m);
     }},
    {.name = "otherIdentifier", .result = unavailable, .error = kInvalid,
     .server = BundleInfo{"1.4", "58", "other"}},
    {.name = "otherArchitecture", .result = unavailable, .error = kInvalid,
     .then = resealed(foreignMachine)},
    {.name = "notElf", .result = unavailable, .error = kFailed,
     .then = resealed(writing("Contents/MacOS/Corvane", "#!/bin/sh\n"))},
    {.name = "candidateWithoutTool", .result = unavailable, .error = kInvalid,
     .then = resealed(removing("Contents/MacOS/CorvaneUpdater"))},
    {.name = "candidateWithoutLauncher", .result = unavailable, .error = kInvalid,
     .then = resealed(removing("Contents/MacOS/corvane-open"))},
    // Installations that cannot take a release.
    {.name = "uninstalledTool", .result = unavailable, .error = "updaterMissing",
     .then = uninstalled(AppUpdater::kReplacementToolPath)},
    {.name = "installedNotABundle", .result = unavailable, .error = "platform",
     .then = uninstalled("Contents/Info.plist")}}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace corvane::kit
