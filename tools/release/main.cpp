// corvane-release: the publisher's tool for Corvane releases.
//
//   corvane-release keygen --private FILE --public FILE
//   corvane-release seal BUNDLE --key PRIVATE
//   corvane-release verify BUNDLE --key PUBLIC
//   corvane-release publish BUNDLE --key PRIVATE --out FOLDER
//
// keygen makes an Ed25519 key pair (the private file mode 0600, never
// overwriting anything); seal signs the list of the bundle's entries into
// Contents/Seal; verify checks that seal; publish seals the bundle, zips it
// with Corvane.app as the archive's top-level item and writes latest.json
// beside the archive, with the version and build of the bundle's
// Info.plist. Exits 0 on success, 1 with one line on standard error on
// failure, 2 on a wrong command line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/linux/archive/ZipArchive.h"
#include "platform/linux/bundle/BundleInfo.h"
#include "platform/linux/files/OneLine.h"
#include "platform/linux/files/RegularFile.h"
#include "platform/linux/seal/BundleSeal.h"
#include "platform/linux/seal/Sha256.h"
#include "update/AppUpdater.h"
#include "update/BuildNumber.h"
#include "update/UpdateManifest.h"

namespace {

namespace fs = std::filesystem;
using namespace corvane;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

// What failed, reported as one line.
struct Failure {
    std::string message;
};

int usage() {
    std::fputs(
        "usage: corvane-release keygen --private FILE --public FILE\n"
        "       corvane-release seal BUNDLE --key PRIVATE\n"
        "       corvane-release verify BUNDLE --key PUBLIC\n"
        "       corvane-release publish BUNDLE --key PRIVATE --out FOLDER\n",
        stderr);
    return kUsage;
}

// The command's options: "--name value" pairs after an optional bundle.
struct CommandLine {
    std::optional<fs::path> bundle;
    std::map<std::string, std::string> options;
};

std::optional<CommandLine> parse(int argc, char** argv, bool takesBundle,
                                 const std::vector<std::string>& names) {
    CommandLine line;
    int next = 2;
    if (takesBundle) {
        if (argc <= next || std::string(argv[next]).rfind("--", 0) == 0) {
            return std::nullopt;
        }
        line.bundle = argv[next++];
    }
    for (; next + 1 < argc; next += 2) {
        line.options[argv[next]] = argv[next + 1];
    }
    if (next != argc || line.options.size() != names.size()) {
        return std::nullopt;
    }
    for (const std::string& name : names) {
        if (!line.options.count(name)) {
            return std::nullopt;
        }
    }
    return line;
}

std::string readKeyFile(const fs::path& file) {
    auto content = files::readRegularFile(file, 64 * 1024);
    if (const auto* error = std::get_if<std::error_code>(&content)) {
        throw Failure{"cannot read " + file.string() + ": " + error->message()};
    }
    return std::get<std::string>(std::move(content));
}

seal::Key privateKey(const fs::path& file) {
    seal::Key key = seal::readPrivateKey(readKeyFile(file));
    if (!key) {
        throw Failure{file.string() + " holds no unencrypted Ed25519 private key"};
    }
    return key;
}

// Creates `file` with `mode`, failing when anything is already there.
void writeNewFile(const fs::path& file, const std::string& content, mode_t mode) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        throw Failure{"cannot create " + file.string() + ": " +
                      std::generic_category().message(errno)};
    }
    const files::UniqueFd owned(fd);
    // The umask may take bits away but must not leave the key readable to
    // others, nor unreadable to its owner.
    if (::fchmod(fd, mode) != 0 ||
        ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
        throw Failure{"cannot write " + file.string() + ": " +
                      std::generic_category().message(errno)};
    }
}

// Writes `file` whole or not at all: a server never serves half of it.
void replaceFile(const fs::path& file, const std::string& content) {
    const fs::path partial = file.parent_path() / ("." + file.filename().string() + ".partial");
    fs::remove(partial);
    writeNewFile(partial, content, 0644);
    fs::rename(partial, file);
}

int keygen(const CommandLine& line) {
    const fs::path privateFile = line.options.at("--private");
    const fs::path publicFile = line.options.at("--public");
    for (const fs::path& file : {privateFile, publicFile}) {
        std::error_code error;
        if (fs::exists(fs::symlink_status(file, error))) {
            throw Failure{file.string() + " exists already; keys are never overwritten"};
        }
    }
    const seal::Key key = seal::generateKey();
    const auto privatePem = seal::privateKeyPem(key);
    const auto publicPem = seal::publicKeyPem(key);
    if (!privatePem || !publicPem) {
        throw Failure{"OpenSSL could not make an Ed25519 key"};
    }
    writeNewFile(privateFile, *privatePem, 0600);
    try {
        writeNewFile(publicFile, *publicPem, 0644);
    } catch (const Failure&) {
        fs::remove(privateFile);
        throw;
    }
    return 0;
}

void sealOrThrow(const fs::path& bundle, const fs::path& keyFile) {
    if (const auto problem = seal::sealBundle(bundle, privateKey(keyFile))) {
        throw Failure{"cannot seal " + bundle.string() + ": " + problem->describe()};
    }
}

int verify(const CommandLine& line) {
    const fs::path keyFile = line.options.at("--key");
    const seal::Key key = seal::readPublicKey(readKeyFile(keyFile));
    if (!key) {
        throw Failure{keyFile.string() + " holds no Ed25519 public key"};
    }
    if (const auto problem = seal::verifyBundle(*line.bundle, key)) {
        throw Failure{problem->describe()};
    }
    return 0;
}

std::string infoValue(const fs::path& bundle, const char* key) {
    const auto value = bundle::infoString(bundle, key);
    if (!value || value->empty()) {
        throw Failure{bundle.string() + ": Contents/Info.plist has no " + key};
    }
    return *value;
}

int publish(const CommandLine& line) {
    const fs::path& bundle = *line.bundle;
    const fs::path out = line.options.at("--out");
    UpdateManifest manifest;
    manifest.version = QString::fromStdString(infoValue(bundle, "CFBundleShortVersionString"));
    const std::string version = infoValue(bundle, "CFBundleVersion");
    manifest.build = buildNumberFromBundleVersion(QString::fromStdString(version));
    // Corvane compares the bundle's text with the build written in decimal,
    // so "057" or "+57" could never be installed.
    if (manifest.build < 1 || std::to_string(manifest.build) != version) {
        throw Failure{bundle.string() + ": CFBundleVersion \"" + version +
                      "\" is not a build number of 1 or more written plainly"};
    }
    manifest.archiveName =
        QStringLiteral("Corvane-%1-%2.zip").arg(manifest.version).arg(manifest.build);
    if (!AppUpdater::isSafeArchiveName(manifest.archiveName)) {
        throw Failure{"the version \"" + manifest.version.toStdString() +
                      "\" cannot be part of an archive name"};
    }
    sealOrThrow(bundle, line.options.at("--key"));

    fs::create_directories(out);
    const fs::path archive = out / manifest.archiveName.toStdString();
    const fs::path partial = out / ("." + archive.filename().string() + ".partial");
    fs::remove(partial);
    if (const auto problem = archive::createZip(bundle, "Corvane.app", partial)) {
        fs::remove(partial);
        throw Failure{"cannot write the archive: " + *problem};
    }
    fs::rename(partial, archive);
    const auto digest = seal::sha256File(archive);
    if (const auto* error = std::get_if<std::error_code>(&digest)) {
        throw Failure{"cannot read " + archive.string() + ": " + error->message()};
    }
    manifest.sha256 = QString::fromStdString(std::get<std::string>(digest));
    // The manifest comes last, so that it never names an archive that is
    // not there yet.
    replaceFile(out / "latest.json", manifest.toJson().toStdString() + "\n");
    std::printf("%s\n%s\n", archive.c_str(), (out / "latest.json").c_str());
    return 0;
}

int run(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::string command = argv[1];
    const bool takesBundle = command != "keygen";
    std::vector<std::string> names;
    if (command == "keygen") {
        names = {"--private", "--public"};
    } else if (command == "seal" || command == "verify") {
        names = {"--key"};
    } else if (command == "publish") {
        names = {"--key", "--out"};
    } else {
        return usage();
    }
    const auto line = parse(argc, argv, takesBundle, names);
    if (!line) {
        return usage();
    }
    if (command == "keygen") {
        return keygen(*line);
    }
    if (command == "seal") {
        sealOrThrow(*line->bundle, line->options.at("--key"));
        return 0;
    }
    if (command == "verify") {
        return verify(*line);
    }
    return publish(*line);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "corvane-release: %s\n", files::oneLine(failure.message).c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane-release: %s\n", files::oneLine(error.what()).c_str());
    }
    return kFailed;
}
