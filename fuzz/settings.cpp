// The settings file: any bytes in the file (XML or binary property list, or
// neither) load, read, change and write without a fault. Each input gets a
// fresh folder under /dev/shm, removed afterwards.
#include <plist/plist.h>
#include <stdlib.h>

#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/linux/settings/FileSettingsStore.h"
#include "platform/linux/settings/PlistNode.h"
#include "state/SettingsKeys.h"

namespace {

// The keys of the file's top-level dictionary, as libplist reads them.
std::vector<QString> keysIn(const QByteArray& bytes) {
    plist_t parsed = nullptr;
    plist_from_memory(bytes.constData(), static_cast<std::uint32_t>(bytes.size()), &parsed);
    const corvane::PlistNode tree(parsed);
    std::vector<QString> keys;
    if (!tree || plist_get_node_type(tree.get()) != PLIST_DICT) {
        return keys;
    }
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(tree.get(), &iterator);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(tree.get(), iterator, &key, &value);
        if (key == nullptr) {
            break;
        }
        keys.push_back(QString::fromUtf8(key));
        std::free(key);
    }
    std::free(iterator);
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    char pattern[] = "/dev/shm/corvane-fuzz-settings-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::abort();
    }
    const std::filesystem::path folder(pattern);
    const QString path = QString::fromStdString((folder / "settings.plist").string());
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::abort();
        }
    }
    {
        std::vector<QString> keys = keysIn(bytes);
        keys.push_back(settingsKeys::kIconStyle);
        FileSettingsStore store(path);
        for (const QString& key : keys) {
            store.value(key);
        }
        // A change rereads the file and merges into it; a removal of a key
        // the file holds goes through the same path.
        if (store.setValue(settingsKeys::kIconStyle, SettingValue(std::int64_t{2}))) {
            std::abort();
        }
        for (const QString& key : keys) {
            (void)store.remove(key);
        }
        if (store.value(settingsKeys::kIconStyle)) {
            std::abort();
        }
        // What the store wrote reads back in a second store.
        if (!store.setValue(settingsKeys::kColorMode, SettingValue(QStringLiteral("dark")))) {
            FileSettingsStore reread(path);
            if (reread.value(settingsKeys::kColorMode) !=
                std::optional<SettingValue>(QStringLiteral("dark"))) {
                std::abort();
            }
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
