// Staging, validation and hand-off: from an archive on disk to a running
// replacement tool.
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <system_error>

#include "platform/linux/archive/ZipArchive.h"
#include "platform/linux/bundle/BundleInfo.h"
#include "platform/linux/elf/ElfArchitecture.h"
#include "platform/linux/files/RegularFile.h"
#include "platform/linux/process/ChildProcess.h"
#include "platform/linux/seal/BundleSeal.h"
#include "platform/linux/seal/Sha256.h"
#include "update/AppUpdater.h"
#include "update/ReplacementToolWatch.h"
#include "update/UpdateFailure.h"
#include "update/UpdateFeed.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

fs::path localPath(const QString& path) {
    return fs::path(QFile::encodeName(QDir::cleanPath(path)).toStdString());
}

QString text(const fs::path& path) {
    return QFile::decodeName(path.c_str());
}

[[noreturn]] void fail(UpdaterError error) {
    throw UpdateFailure(error);
}

[[noreturn]] void fail(const QString& action, const std::error_code& error) {
    throw UpdateFailure(SystemFailure{action, QString::fromStdString(error.message())});
}

[[noreturn]] void failStopped() {
    throw UpdateFailure(SystemFailure{QStringLiteral("update"), QStringLiteral("stopped")});
}

bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool isExecutableFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(fs::status(path, error)) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

fs::path AppUpdater::installedBundle() const {
    return localPath(appBundleURL_.toLocalFile());
}

fs::path AppUpdater::backupRoot() {
    return localPath(UpdateFeed::applicationSupportDirectory().toLocalFile()) / "Backups";
}

void AppUpdater::throwIfStopped() const {
    if (stop_.stop_requested()) {
        failStopped();
    }
}

void AppUpdater::stageAndSchedule(const UpdateManifest& manifest, const QString& archivePath) {
    const std::stop_token stop = stop_.get_token();
    throwIfStopped();
    const fs::path buildFolder = localPath(applicationSupportDirectory_.toLocalFile()) / "Staging" /
                                 ("build-" + std::to_string(manifest.build));
    std::error_code error;
    fs::remove_all(buildFolder, error);
    if (error) {
        fail(QStringLiteral("cannot delete %1").arg(text(buildFolder)), error);
    }
    fs::create_directories(buildFolder, error);
    if (error) {
        fail(QStringLiteral("cannot create %1").arg(text(buildFolder)), error);
    }

    const fs::path copy = buildFolder / QFile::encodeName(manifest.archiveName).toStdString();
    if (const auto failure = files::copyRegularFile(localPath(archivePath), copy, stop)) {
        fail(QStringLiteral("cannot copy %1").arg(archivePath), failure);
    }
    const auto digest = seal::sha256File(copy, stop);
    if (const auto* failure = std::get_if<std::error_code>(&digest)) {
        fail(QStringLiteral("cannot read %1").arg(text(copy)), *failure);
    }
    if (QString::fromStdString(std::get<std::string>(digest)) != manifest.sha256.toLower()) {
        fail(UpdaterError::archiveHashMismatch);
    }

    throwIfStopped();
    const fs::path extracted = buildFolder / "Extracted";
    fs::create_directories(extracted, error);
    if (error) {
        fail(QStringLiteral("cannot create %1").arg(text(extracted)), error);
    }
    const archive::UnpackLimits unpackLimits{limits_.maxUnpackedBytes, limits_.maxUnpackedEntries};
    if (const auto problem = archive::unpackZip(copy, extracted, unpackLimits, stop)) {
        if (problem->kind == archive::UnpackProblem::Kind::stopped) {
            failStopped();
        }
        fail(UpdaterError::processFailed);
    }

    const fs::path candidate = extracted / "Corvane.app";
    throwIfStopped();
    validateCandidate(candidate, manifest);

    throwIfStopped();
    const fs::path tool = installedBundle() / kReplacementToolPath;
    if (!fs::exists(tool, error)) {
        fail(UpdaterError::updaterMissing);
    }
    checkHandOffNeeds(candidate);
    startReplacementTool(tool, candidate, manifest.build);
    scheduledBuild_ = manifest.build;
}

void AppUpdater::validateCandidate(const fs::path& candidate, const UpdateManifest& manifest) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(candidate, error))) {
        fail(UpdaterError::invalidCandidate);
    }
    const auto identifier = bundle::infoString(candidate, "CFBundleIdentifier");
    if (!identifier || !fs::is_regular_file(fs::status(candidate / "Contents/Info.plist", error))) {
        fail(UpdaterError::invalidCandidate);
    }
    const auto shortVersion = bundle::infoString(candidate, "CFBundleShortVersionString");
    const auto version = bundle::infoString(candidate, "CFBundleVersion");
    if (!shortVersion || !version || QString::fromStdString(*shortVersion) != manifest.version ||
        *version != std::to_string(manifest.build)) {
        fail(UpdaterError::invalidCandidate);
    }
    const auto executable = bundle::infoString(candidate, "CFBundleExecutable");
    if (!executable || !isPlainFileName(*executable) ||
        !fs::exists(candidate / "Contents/MacOS" / *executable, error)) {
        fail(UpdaterError::invalidCandidate);
    }
    const auto runningIdentifier = bundle::infoString(installedBundle(), "CFBundleIdentifier");
    if (runningIdentifier && *runningIdentifier != *identifier) {
        fail(UpdaterError::invalidCandidate);
    }

    // The seal is checked with the key of the installed bundle, never one
    // the candidate brings along; without a key no update is accepted.
    const auto pem = files::readRegularFile(installedBundle() / kSigningKeyPath, 64 * 1024);
    const auto* keyText = std::get_if<std::string>(&pem);
    const seal::Key key = keyText ? seal::readPublicKey(*keyText) : nullptr;
    if (const auto problem = seal::verifyBundle(candidate, key, stop_.get_token())) {
        if (problem->kind == seal::SealProblem::Kind::stopped) {
            failStopped();
        }
        fail(UpdaterError::processFailed);
    }

    // Every program in Contents/MacOS must be an ELF file for this processor.
    std::vector<fs::path> programs;
    for (fs::directory_iterator walk(candidate / "Contents/MacOS", error);
         !error && walk != fs::directory_iterator(); walk.increment(error)) {
        if (isExecutableFile(walk->path())) {
            programs.push_back(walk->path());
        }
    }
    if (error) {
        fail(UpdaterError::processFailed);
    }
    std::vector<std::string> architectures;
    for (const fs::path& program : programs) {
        const auto architecture = elf::elfArchitecture(program);
        if (const auto* word = std::get_if<std::string>(&architecture)) {
            architectures.push_back(*word);
        } else {
            fail(UpdaterError::processFailed);
        }
    }
    const std::string host = elf::hostArchitecture();
    if (std::any_of(architectures.begin(), architectures.end(),
                    [&host](const std::string& word) { return word != host; })) {
        fail(UpdaterError::invalidCandidate);
    }
}

void AppUpdater::checkHandOffNeeds(const fs::path& candidate) const {
    // Run from a build folder, the "bundle" is a plain folder of programs
    // that the tool must never move away.
    const fs::path installed = installedBundle();
    std::error_code error;
    if (!fs::is_regular_file(fs::status(installed / "Contents/Info.plist", error))) {
        throw UpdateFailure(
            SystemFailure{QStringLiteral("%1 is not an installed bundle").arg(text(installed)),
                          QStringLiteral("it has no Contents/Info.plist")});
    }
    // The tool moves the bundle out of its folder and the new one in.
    for (const fs::path& folder : {installed.parent_path(), installed}) {
        if (::access(folder.c_str(), W_OK | X_OK) != 0) {
            fail(QStringLiteral("cannot replace %1").arg(text(installed)),
                 std::error_code(errno, std::generic_category()));
        }
    }
    // The new bundle has to be able to take part in the next update.
    for (const char* program : {"CorvaneUpdater", kLauncherName}) {
        if (!isExecutableFile(candidate / "Contents/MacOS" / program)) {
            fail(UpdaterError::invalidCandidate);
        }
    }
}

void AppUpdater::startReplacementTool(const fs::path& tool, const fs::path& candidate,
                                      qint64 build) {
    const std::vector<std::string> arguments{
        "--pid",         std::to_string(applicationProcess_.value_or(::getpid())),
        "--source",      candidate.string(),
        "--destination", installedBundle().string(),
        "--backup-root", backupRoot().string()};
    auto started = process::startChild(tool, arguments);
    if (const auto* failure = std::get_if<std::error_code>(&started)) {
        fail(QStringLiteral("cannot start %1").arg(text(tool)), *failure);
    }
    auto watch =
        std::make_unique<ReplacementToolWatch>(std::get<process::Child>(std::move(started)));
    ReplacementToolWatch* raw = watch.get();
    connect(raw, &ReplacementToolWatch::ended, this, [this, raw, build](int waitStatus) {
        // A tool that succeeds ends this process before it ends itself: this
        // hand-off failed, and the release may be handed off again.
        if (scheduledBuild_ == build) {
            scheduledBuild_.reset();
        }
        emit replacementToolEnded(build, waitStatus);
        const auto done = std::find_if(tools_.begin(), tools_.end(),
                                       [raw](const auto& owned) { return owned.get() == raw; });
        if (done != tools_.end()) {
            done->release()->deleteLater();
            tools_.erase(done);
        }
    });
    tools_.push_back(std::move(watch));
}

}  // namespace corvane
