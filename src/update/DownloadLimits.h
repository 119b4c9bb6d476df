#pragma once

#include <QtGlobal>
#include <chrono>

namespace corvane {

// Bounds that keep a hostile or broken release server from filling memory
// or the disk, or from holding the engine for ever.
struct DownloadLimits {
    qint64 maxManifestBytes = 1024 * 1024;
    qint64 maxArchiveBytes = 1024LL * 1024 * 1024;
    std::chrono::milliseconds maxDownloadTime = std::chrono::minutes(30);
    // How long a request may go without receiving data.
    std::chrono::milliseconds manifestIdleTimeout = std::chrono::seconds(20);
    std::chrono::milliseconds archiveIdleTimeout = std::chrono::seconds(120);
};

}  // namespace corvane
