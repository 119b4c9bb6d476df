// The update path's work, one step per run, for update_bench.sh to time
// beside the tools it is measured against:
//
//   update_bench sha256 FILE          prints FILE's SHA-256 (as the engine computes it)
//   update_bench make-tree DIR N BYTES  N files of BYTES each, incompressible
//   update_bench zip DIR ZIP          DIR zipped as the release tool zips a bundle
//   update_bench unpack ZIP DIR       ZIP unpacked as the engine unpacks a release
//   update_bench download MIB         downloads MIB mebibytes from a local HTTPS server
//                                     and prints how far resident memory grew
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSslCertificate>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "platform/linux/archive/ZipArchive.h"
#include "platform/linux/seal/Sha256.h"
#include "support/https/HttpsServer.h"
#include "update/ReleaseServer.h"
#include "update/UpdateFailure.h"

namespace {

namespace fs = std::filesystem;

int sha256(const char* file) {
    const auto digest = corvane::seal::sha256File(file);
    if (const auto* text = std::get_if<std::string>(&digest)) {
        std::printf("%s  %s\n", text->c_str(), file);
        return 0;
    }
    std::fprintf(stderr, "%s: %s\n", file, std::get<std::error_code>(digest).message().c_str());
    return 1;
}

int makeTree(const fs::path& folder, int count, std::size_t bytes) {
    std::mt19937_64 random(57);
    std::string content(bytes, '\0');
    for (int i = 0; i < count; ++i) {
        // Random bytes do not compress: the archive is as large as its content.
        for (char& byte : content) {
            byte = static_cast<char>(random());
        }
        const fs::path file = folder / ("d" + std::to_string(i % 50)) / ("f" + std::to_string(i));
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }
    return 0;
}

// Peak resident memory of this process in KiB (VmHWM).
long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

int download(int argc, char** argv, long mebibytes) {
    QCoreApplication application(argc, argv);
    corvane::testing::HttpsServer server;
    {
        std::ofstream archive(server.root().toStdString() + "/archive.zip", std::ios::binary);
        const std::string block(1024 * 1024, 'z');
        for (long i = 0; i < mebibytes; ++i) {
            archive << block;
        }
    }
    corvane::ReleaseServer::Settings settings;
    settings.pinnedAuthorities = QSslCertificate::fromPath(server.authorityCertificate());
    corvane::ReleaseServer releases(settings, {});
    const QString folder = QDir::tempPath() + "/corvane-download-bench";
    // Warm up TLS and Qt's network code, then measure the peak from here.
    releases.fetchManifest(server.url("/none.json"));
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = peakResidentKiB();
    try {
        const QString file = releases.downloadArchive(server.url("/archive.zip"), 58, folder);
        std::printf("downloaded %lld bytes; peak resident memory grew by %ld KiB (%.1f MiB)\n",
                    static_cast<long long>(QFile(file).size()), peakResidentKiB() - before,
                    (peakResidentKiB() - before) / 1024.0);
    } catch (const corvane::UpdateFailure& failure) {
        std::fprintf(stderr, "download failed: %s\n", failure.description().toUtf8().constData());
        return 1;
    }
    QDir(folder).removeRecursively();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "sha256" && argc == 3) {
        return sha256(argv[2]);
    }
    if (command == "make-tree" && argc == 5) {
        return makeTree(argv[2], std::atoi(argv[3]), std::stoul(argv[4]));
    }
    if (command == "zip" && argc == 4) {
        const auto failure = corvane::archive::createZip(argv[2], "tree", argv[3]);
        return failure ? (std::fprintf(stderr, "%s\n", failure->c_str()), 1) : 0;
    }
    if (command == "unpack" && argc == 4) {
        const auto problem = corvane::archive::unpackZip(argv[2], argv[3]);
        return problem ? (std::fprintf(stderr, "%s\n", problem->describe().c_str()), 1) : 0;
    }
    if (command == "download" && argc == 3) {
        return download(argc, argv, std::atol(argv[2]));
    }
    std::fputs("usage: see the comment at the top of UpdateBench.cpp\n", stderr);
    return 2;
}
