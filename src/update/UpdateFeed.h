#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace corvane {

// Where releases are looked for and where the engine keeps its working
// folders. Folder locations follow the user's home folder at every call;
// nothing is created or checked on disk.
class UpdateFeed {
  public:
    UpdateFeed() = delete;

    // The release server's manifest, https://<server>/updates/display/latest.json,
    // as the running bundle's Info.plist names it under "CorvaneFeedURL"
    // (set when Corvane is built). Absent when the key is missing or not
    // such a URL, or when Corvane does not run from a bundle: then there is
    // no remote feed. Read once.
    static std::optional<QUrl> remoteFeedURL();

    // The feed URL an Info.plist value names: an https URL with a host, no
    // user information, query or fragment, and the path
    // "/updates/display/latest.json". Absent for anything else.
    static std::optional<QUrl> feedURLFromBundleValue(const std::optional<QString>& value);

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
