#include <sys/stat.h>

#include <QTcpServer>
#include <functional>

#include "UpdateTest.h"

namespace corvane {
namespace {

using Kind = UpdateCheckResult::Kind;

// What one case puts on the server (in `remote`, served under /<case>/) and
// in the local folders, and how it configures the engine.
struct World {
    fs::path remote;
    fs::path local1;
    fs::path local2;
    std::optional<QString> feed;  // the manifest's path under /<case>/, when there is a server
    AppUpdater::Parameters& parameters;
};

struct CheckCase {
    const char* name;
    std::function<void(World&)> arrange;
    Kind result;
    const char* scheduledVersion = nullptr;
    int archiveRequests = -1;  // archive requests the server logs; -1: not checked
    // Runs before the check under test, with the tool's report file.
    std::function<void(AppUpdater&, const fs::path&)> before = nullptr;
    QStringList logged = {};  // lines the access log must hold
};

void PrintTo(const CheckCase& value, std::ostream* out) {
    *out << value.name;
}

UpdateManifest release(const fs::path& out, kit::BundleInfo info = {}) {
    const fs::path bundle = out.parent_path() / ("bundle-" + info.build + out.filename().string());
    kit::makeReleaseBundle(bundle, info);
    return kit::publish(bundle, out);
}

void writeManifest(const fs::path& folder, const UpdateManifest& manifest) {
    harness::writeFile(folder / "latest.json", manifest.toJson().toStdString());
}

UpdateManifest onServer(World& s) {
    s.feed = QStringLiteral("latest.json");
    return release(s.remote);
}

void sameBuildOnServer(World& s) {
    s.feed = QStringLiteral("latest.json");
    release(s.remote, {"1.0", "57"});
}

// A server that refuses connections: a port nobody listens on any more.
void unreachable(World& s) {
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    s.feed = QStringLiteral("latest.json");
    s.parameters.remoteFeedURL =
        QUrl(QStringLiteral("https://127.0.0.1:%1/latest.json").arg(closed.serverPort()));
}

void withoutArchive(World& s) {
    fs::remove(s.remote / onServer(s).archiveName.toStdString());
}

class CheckTest : public UpdateTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckTest, Decides) {
    const CheckCase& row = GetParam();
    const std::string name = row.name;
    AppUpdater::Parameters parameters = this->parameters();
    World setup{kit::server().root().toStdString() + "/" + name, path("Local1"), path("Local2"),
                std::nullopt, parameters};
    for (const fs::path& folder : {setup.remote, setup.local1, setup.local2}) {
        fs::create_directories(folder);
    }
    row.arrange(setup);
    if (setup.feed && !parameters.remoteFeedURL) {
        parameters.remoteFeedURL =
            kit::server().url(QString::fromStdString("/" + name + "/") + *setup.feed);
    }
    AppUpdater engine(parameters);
    if (row.before) {
        row.before(engine, report());
    }

    const UpdateCheckResult result = engine.checkAndScheduleUpdate();

    EXPECT_EQ(result.kind(), row.result);
    if (row.scheduledVersion) {
        ASSERT_TRUE(result.manifest());
        EXPECT_EQ(result.manifest()->version, row.scheduledVersion);
    }
    EXPECT_FALSE(fs::exists(support() / "Downloads") && !fs::is_empty(support() / "Downloads"));
    const QStringList log = kit::server().accessLog();
    const QString archives = QString::fromStdString("GET /" + name + "/") + "Corvane-";
    if (row.archiveRequests >= 0) {
        EXPECT_EQ(log.filter(archives).size(), row.archiveRequests) << log.join('\n').toStdString();
    }
    for (const QString& line : row.logged) {
        EXPECT_TRUE(log.contains(line)) << line.toStdString() << "\n"
                                        << log.join('\n').toStdString();
    }
    // A tool starts exactly for a release this check handed off.
    const bool handedOff = row.result == Kind::scheduled && !row.before;
    EXPECT_EQ(harness::waitForReport(report(), handedOff ? 10s : 200ms).has_value(), handedOff);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CheckTest,
    ::testing::Values(
        CheckCase{"nothingAnywhere", [](World&) {}, Kind::unavailable},
        CheckCase{"serverUnreachable", unreachable, Kind::failed},
        CheckCase{"serverUnreachableLocalSameBuild",
                  [](World& s) {
                      unreachable(s);
                      release(s.local1, {"1.0", "57"});
                  },
                  Kind::latest},
        CheckCase{"serverSameBuildLocalNewer",
                  [](World& s) {
                      sameBuildOnServer(s);
                      release(s.local1);
                  },
                  Kind::scheduled, "1.4"},
        CheckCase{"fromServer",
                  onServer,
                  Kind::scheduled,
                  "1.4",
                  1,
                  nullptr,
                  {"GET /fromServer/latest.json?client_build=57 200 \"application/json\" "
                   "\"no-cache\"",
                   "GET /fromServer/Corvane-1.4-58.zip 200 \"application/zip, "
                   "application/octet-stream\" \"no-cache\""}},
        CheckCase{"queryItemsKept",
                  [](World& s) {
                      sameBuildOnServer(s);
                      s.feed = QStringLiteral("latest.json?channel=beta&client_build=1");
                  },
                  Kind::latest,
                  nullptr,
                  -1,
                  nullptr,
                  {"GET /queryItemsKept/latest.json?channel=beta&client_build=1&client_build=57 "
                   "200 \"application/json\" \"no-cache\""}},
        CheckCase{"serverDigestOf63",
                  [](World& s) {
                      UpdateManifest m = onServer(s);
                      m.sha256.chop(1);
                      writeManifest(s.remote, m);
                  },
                  Kind::unavailable, nullptr, 0},
        CheckCase{"archiveNotFound", withoutArchive, Kind::unavailable, nullptr, 1},
        CheckCase{"archiveNotFoundLocalNewer",
                  [](World& s) {
                      withoutArchive(s);
                      release(s.local2, {"1.5", "59"});
                  },
                  Kind::scheduled, "1.5", 1},
        CheckCase{"againAfterHandOff", onServer, Kind::scheduled, "1.4", 1,
                  [](AppUpdater& engine, const fs::path& report) {
                      ASSERT_EQ(engine.checkAndScheduleUpdate().kind(), Kind::scheduled);
                      ASSERT_TRUE(harness::waitForReport(report, 10s));
                      fs::remove(report);
                  }},
        CheckCase{"localNotJson",
                  [](World& s) { harness::writeFile(s.local1 / "latest.json", "not json"); },
                  Kind::latest},
        CheckCase{"firstFolderWins",
                  [](World& s) {
                      release(s.local1);
                      release(s.local2, {"1.5", "59"});
                  },
                  Kind::scheduled, "1.4"},
        CheckCase{
            "localArchiveMissing",
            [](World& s) { fs::remove(s.local1 / release(s.local1).archiveName.toStdString()); },
            Kind::unavailable},
        CheckCase{"serverManifestTooLarge",
                  [](World& s) {
                      harness::writeFile(
                          s.remote / "latest.json",
                          onServer(s).toJson().toStdString() + std::string(1024 * 1024, ' '));
                  },
                  Kind::failed},
        CheckCase{"localManifestTooLarge",
                  [](World& s) {
                      harness::writeFile(
                          s.local1 / "latest.json",
                          release(s.local1).toJson().toStdString() + std::string(1024 * 1024, ' '));
                  },
                  Kind::latest},
        CheckCase{
            "localManifestFifo",
            [](World& s) { ASSERT_EQ(::mkfifo((s.local1 / "latest.json").c_str(), 0644), 0); },
            Kind::latest},
        CheckCase{"localArchiveFifo",
                  [](World& s) {
                      const fs::path archive =
                          s.local1 / release(s.local1).archiveName.toStdString();
                      fs::remove(archive);
                      ASSERT_EQ(::mkfifo(archive.c_str(), 0644), 0);
                  },
                  Kind::unavailable},
        CheckCase{"archiveTooLarge",
                  [](World& s) {
                      onServer(s);
                      s.parameters.limits.maxArchiveBytes = 100'000;
                  },
                  Kind::unavailable},
        CheckCase{"archiveTooLargeUnannounced",
                  [](World& s) {
                      onServer(s);
                      s.feed = QStringLiteral("../chunked/archiveTooLargeUnannounced/latest.json");
                      s.parameters.limits.maxArchiveBytes = 100'000;
                  },
                  Kind::unavailable},
        CheckCase{"downloadTooSlow",
                  [](World& s) {
                      onServer(s);
                      s.feed = QStringLiteral("../slow/downloadTooSlow/latest.json");
                      s.parameters.limits.maxDownloadTime = 1500ms;
                  },
                  Kind::unavailable}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
