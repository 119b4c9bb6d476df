// The settings file: any bytes in the file (XML or binary property list, or
// neither) load, read, change and write without a fault, and what the store
// holds after a change is what a second store reads from the file. Each
// input gets a fresh folder (under /dev/shm unless TMPDIR says otherwise), removed afterwards.
#include <stdlib.h>

#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScratchFolder.h"
#include "platform/linux/settings/FileSettingsStore.h"
#include "state/SettingsKeys.h"

namespace {

using corvane::FileSettingsStore;
using corvane::SettingValue;
namespace keys = corvane::settingsKeys;

// Every key the application uses, and a saved mode's.
const QString kKeys[] = {keys::kSelectedDisplayID, keys::kAutoApplyOnLaunch, keys::kIconStyle,
                         keys::kAnimateOnChange,   keys::kColorMode,         keys::savedMode(42)};

// The value under `key`, in the store and in a second store reading the
// file: both must agree when the store reported no error.
void expectEverywhere(const FileSettingsStore& store, const QString& key,
                      const std::optional<SettingValue>& expected) {
    if (store.value(key) != expected ||
        FileSettingsStore(store.filePath()).value(key) != expected) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string pattern = scratchFolder() + "/corvane-fuzz-settings-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    const std::filesystem::path folder(pattern);
    const QString path = QString::fromStdString((folder / "settings.plist").string());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
                static_cast<qint64>(size)) {
            std::abort();
        }
    }
    {
        FileSettingsStore store(path);
        for (const QString& key : kKeys) {
            store.value(key);
        }
        // A change rereads the file and merges into it.
        const SettingValue two(std::int64_t{2});
        if (store.setValue(keys::kIconStyle, two)) {
            std::abort();
        }
        expectEverywhere(store, keys::kIconStyle, two);
        for (const QString& key : kKeys) {
            if (!store.remove(key)) {
                expectEverywhere(store, key, std::nullopt);
            }
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
