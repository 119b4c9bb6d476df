#pragma once

#include <QList>
#include <QUrl>

namespace corvane {

// Where releases are looked for and where the engine keeps its working
// folders. Folder locations follow the user's home folder at every call;
// nothing is created or checked on disk.
class UpdateFeed {
  public:
    UpdateFeed() = delete;

    // The release server's manifest, https://<server>/updates/display/latest.json.
    // The server is fixed when Corvane is built (CORVANE_RELEASE_SERVER).
    static QUrl remoteFeedURL();

    // ~/Library/Application Support/Corvane
    static QUrl applicationSupportDirectory();

    // ~/Library/Mobile Documents/com~apple~CloudDocs/Documents/Halvern/Corvane/Updates
    static QUrl legacyUpdatesDirectory();

    // The local feed folders in search order, without repetitions:
    // ~/Library/Mobile Documents/com~apple~CloudDocs/Corvane, then
    // legacyUpdatesDirectory().
    static QList<QUrl> candidateDirectories();

  private:
    // ~/Library/Mobile Documents/com~apple~CloudDocs, the cloud drive's root.
    static QUrl cloudDocumentsDirectory();
};

}  // namespace corvane
