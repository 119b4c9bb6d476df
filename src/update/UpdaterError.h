#pragma once

namespace corvane {

// The update engine's own failures. File-system, network and process-launch
// errors of the platform travel beside these; none of them leaves the engine.
enum class UpdaterError {
    archiveHashMismatch,   // the archive's SHA-256 differs from the manifest's
    invalidCandidate,      // the unpacked bundle fails a check
    processFailed,         // a helper program exited with a non-zero status
    remoteDownloadFailed,  // the archive response is not HTTP or not 2xx
    updaterMissing,        // the installed bundle has no replacement tool
};

}  // namespace corvane
