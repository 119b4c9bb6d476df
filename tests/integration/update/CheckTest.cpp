#include <sys/stat.h>

#include "UpdateFixture.h"

// Outside an unnamed namespace, so that the cases print by name.
namespace corvane::kit {

using Kind = UpdateCheckResult::Kind;
using Edit = std::function<void(const fs::path& file)>;

struct CheckCase {
    const char* name;
    Kind result;
    const char* version = nullptr;  // of the release scheduled
    // Releases published on the server (its folder served under /<case>/)
    // and in the two local folders.
    std::optional<BundleInfo> server = {}, local1 = {}, local2 = {};
    // Then: a file of folder `in` (0 the server's, 1 and 2 the local ones)
    // removed and, with `edit`, made again.
    int in = 0;
    const char* file = nullptr;
    Edit edit = nullptr;
    QString feed = "latest.json";  // the manifest's path under /<case>/
    std::function<void(AppUpdater::Parameters&)> configure = nullptr;
    int archiveRequests = -1;  // archive requests the server logs; -1: not checked
    QStringList logged = {};   // lines the server's log must hold
    bool twice = false;        // the check under test follows a hand-off whose tool still runs
};

const Edit kFifo = [](const fs::path& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0); };

// A manifest naming the published 1.4 with a digest of `digits` digits, then `padding` spaces.
Edit manifest(int digits, std::size_t padding = 0) {
    return [=](const fs::path& file) {
        harness::writeFile(file,
                           R"({"version":"1.4","build":58,"archiveName":"Corvane-1.4-58.zip",)"
                           R"("sha256":")" +
                               std::string(digits, 'a') + "\"}" + std::string(padding, ' '));
    };
}

class CheckTest : public UpdateTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckTest, Decides) {
    const CheckCase& row = GetParam();
    const fs::path folders[] = {server().root().toStdString() + "/" + row.name, path("Local1"),
                                path("Local2")};
    const std::optional<BundleInfo>* releases[] = {&row.server, &row.local1, &row.local2};
    for (int i = 0; i < 3; ++i) {
        fs::create_directories(folders[i]);
        if (*releases[i]) {
            makeReleaseBundle(folders[i].string() + "-bundle", **releases[i]);
            publish(folders[i].string() + "-bundle", folders[i]);
        }
    }
    if (row.file) {
        fs::remove(folders[row.in] / row.file);
        if (row.edit) {
            row.edit(folders[row.in] / row.file);
        }
    }
    AppUpdater::Parameters parameters = this->parameters();
    if (row.server) {
        parameters.remoteFeedURL = server().url(QStringLiteral("/%1/").arg(row.name) + row.feed);
    }
    if (row.configure) {
        row.configure(parameters);
    }
    AppUpdater engine(parameters);
    if (row.twice) {
        ASSERT_EQ(engine.checkAndScheduleUpdate().kind(), Kind::scheduled);
        ASSERT_TRUE(harness::waitForReport(report(), 10s));
        fs::remove(report());
    }

    const UpdateCheckResult result = engine.checkAndScheduleUpdate();

    EXPECT_EQ(result.kind(), row.result);
    EXPECT_EQ(result.manifest() ? result.manifest()->version : QString(), row.version);
    EXPECT_FALSE(fs::exists(support() / "Downloads") && !fs::is_empty(support() / "Downloads"));
    // A tool starts exactly for a release this check handed off.
    const bool handedOff = row.result == Kind::scheduled && !row.twice;
    EXPECT_EQ(harness::waitForReport(report(), handedOff ? 10s : 200ms).has_value(), handedOff);
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
}

using enum UpdateCheckResult::Kind;
const BundleInfo kNew;
const BundleInfo kSame{"1.0", "57"};
const char* const kArchive = "Corvane-1.4-58.zip";
const char* const kManifest = "latest.json";
// A port nothing listens on: connections are refused.
const auto kUnreachable = [](AppUpdater::Parameters& p) {
    p.remoteFeedURL = QUrl("https://127.0.0.1:1/");
};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, CheckTest, ::testing::ValuesIn(std::vector<CheckCase>{
    {.name = "nothingAnywhere", .result = unavailable},
    {.name = "serverUnreachable", .result = failed, .configure = kUnreachable},
    {.name = "unreachableLocalSame", .result = latest, .local1 = kSame, .configure = kUnreachable},
    {.name = "serverSameLocalNewer", .result = scheduled, .version = "1.4", .server = kSame,
     .local1 = kNew},
    {.name = "fromServer", .result = scheduled, .version = "1.4", .server = kNew,
     .feed = "latest.json?channel=beta", .archiveRequests = 1, .logged = {
         R"(GET /fromServer/latest.json?channel=beta&client_build=57 200 "application/json" "no-cache")",
         R"(GET /fromServer/Corvane-1.4-58.zip 200 "application/zip, application/octet-stream" "no-cache")"}},
    {.name = "serverDigestOf63", .result = unavailable, .server = kNew, .file = kManifest,
     .edit = manifest(63), .archiveRequests = 0},
    {.name = "archiveNotFound", .result = unavailable, .server = kNew, .file = kArchive,
     .archiveRequests = 1},
    {.name = "againAfterHandOff", .result = scheduled, .version = "1.4", .server = kNew,
     .configure = [](AppUpdater::Parameters&) { qputenv("CORVANE_TEST_LINGER_MS", "5000"); },
     .archiveRequests = 1, .twice = true},
    {.name = "localNotJson", .result = latest, .in = 1, .file = kManifest,
     .edit = [](const fs::path& f) { harness::writeFile(f, "{"); }},
    {.name = "firstFolderWins", .result = scheduled, .version = "1.4", .local1 = kNew,
     .local2 = BundleInfo{"1.5", "59"}},
    {.name = "failedBeforeSkipped", .result = scheduled, .version = "1.5", .server = kNew,
     .local1 = BundleInfo{"1.5", "59"}, .configure = [](AppUpdater::Parameters&) {
         harness::writeFile(AppUpdater::backupRoot() / "failed-builds", "58\n"); },
     .archiveRequests = 0},
    {.name = "localNoArchive", .result = unavailable, .local1 = kNew, .in = 1, .file = kArchive},
    {.name = "serverManifestTooLarge", .result = failed, .server = kNew, .file = kManifest,
     .edit = manifest(64, 1 << 20)},
    {.name = "localManifestTooLarge", .result = latest, .in = 1, .file = kManifest,
     .edit = manifest(64, 1 << 20)},
    {.name = "localManifestFifo", .result = latest, .in = 1, .file = kManifest, .edit = kFifo},
    {.name = "localArchiveFifo", .result = unavailable, .local1 = kNew, .in = 1, .file = kArchive,
     .edit = kFifo},
    {.name = "archiveTooLarge", .result = unavailable, .server = kNew,
     .feed = "../chunked/archiveTooLarge/latest.json",
     .configure = [](AppUpdater::Parameters& p) { p.limits.maxArchiveBytes = 100'000; }},
    {.name = "downloadTooSlow", .result = unavailable, .server = kNew,
     .feed = "../slow/downloadTooSlow/latest.json",
     .configure = [](AppUpdater::Parameters& p) { p.limits.maxDownloadTime = 1500ms; }}}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace corvane::kit
