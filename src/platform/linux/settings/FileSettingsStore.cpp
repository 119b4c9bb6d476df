#include "platform/linux/settings/FileSettingsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace corvane {

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// mkdir -p, reporting the system's reason when a folder cannot be made.
std::optional<QString> makeFolders(const QString& path) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    qsizetype next = 1;
    while (next <= clean.size()) {
        qsizetype end = clean.indexOf(QLatin1Char('/'), next);
        if (end < 0) {
            end = clean.size();
        }
        const QByteArray part = QFile::encodeName(clean.left(end));
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST) {
            return systemReason(errno);
        }
        struct stat info {};
        if (::stat(part.constData(), &info) != 0) {
            return systemReason(errno);
        }
        if (!S_ISDIR(info.st_mode)) {
            return systemReason(ENOTDIR);
        }
        next = end + 1;
    }
    return std::nullopt;
}

// Makes a rename within the folder survive a power cut. The rename itself
// is already complete, so a failure here loses no data and is not reported.
void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool holdsNul(const QByteArray& text) {
    return text.contains('\0');
}

// Builds the value in place; moving a variant that holds Qt strings out of
// a temporary trips GCC's uninitialised-use analysis under the sanitizers.
template <typename T, typename... Args>
std::optional<SettingValue> holding(Args&&... args) {
    return std::optional<SettingValue>(std::in_place, std::in_place_type<T>,
                                       std::forward<Args>(args)...);
}

// The suffix of this store's temporary files, after the file's own name.
// Distinct enough that no file a user keeps beside the settings (such as
// "settings.plist.backup") can be taken for one.
const QString kTemporarySuffix = QStringLiteral(".corvane-tmp-");

// An exclusive lock on the settings folder for as long as it lives, so
// that two instances never interleave their read-change-write of the file
// or clear each other's temporary files. Without a lock (the folder cannot
// be opened) writing goes on unguarded, as it would on a system without
// locks.
class FolderLock {
  public:
    explicit FolderLock(const QString& folder)
        : fd_(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_;
};

enum class FileState { missing, parsed, unreadable };

// The dictionary as this store's own XML form holds it. A binary list may
// repeat a key, and the dictionary calls then read the first value while
// the XML reader keeps the last, so a change would be lost on the next
// start and a removed key would come back; a key with NUL inside matches
// another key's name. Passed through the XML form, each key holds one value
// (the last) and memory holds exactly what the next write stores. Text
// with NUL, which that form cannot carry, makes the file unreadable.
PlistNode asWritten(const PlistNode& tree) {
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(tree.get(), &xml, &length);
    const std::unique_ptr<char, decltype(&plist_to_xml_free)> text(xml, &plist_to_xml_free);
    if (!text || std::memchr(text.get(), '\0', length) != nullptr) {
        return nullptr;
    }
    plist_t parsed = nullptr;
    plist_from_xml(text.get(), length, &parsed);
    return PlistNode(parsed);
}

// Reads the settings file; `tree` holds its dictionary when it parses.
FileState readFile(const QString& path, PlistNode& tree) {
    struct stat info {};
    // Nothing there, or a file where the folder belongs: no settings yet,
    // and the write will say why it cannot make the folder.
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 &&
        (errno == ENOENT || errno == ENOTDIR)) {
        return FileState::missing;
    }
    QFile file(path);
    QByteArray bytes;
    bool readable = file.open(QIODevice::ReadOnly);
    if (readable) {
        bytes = file.readAll();
        readable = file.error() == QFileDevice::NoError;
    }
    if (readable && bytes.size() <= std::numeric_limits<std::uint32_t>::max()) {
        plist_t parsed = nullptr;
        plist_from_memory(bytes.constData(), static_cast<std::uint32_t>(bytes.size()), &parsed);
        PlistNode candidate(parsed);
        if (candidate && plist_get_node_type(candidate.get()) == PLIST_DICT) {
            candidate = asWritten(candidate);
        }
        if (candidate && plist_get_node_type(candidate.get()) == PLIST_DICT) {
            tree = std::move(candidate);
            return FileState::parsed;
        }
    }
    return FileState::unreadable;
}

// The value as a new property-list node; nullptr for what the file cannot
// hold (strings with NUL, which it keeps as C strings).
plist_t makeNode(const SettingValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        return plist_new_uint(static_cast<std::uint64_t>(*integer));
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return plist_new_bool(*flag ? 1 : 0);
    }
    if (const auto* text = std::get_if<QString>(&value)) {
        const QByteArray utf8 = text->toUtf8();
        return holdsNul(utf8) ? nullptr : plist_new_string(utf8.constData());
    }
    const QByteArray& bytes = std::get<QByteArray>(value);
    return plist_new_data(bytes.constData(), static_cast<std::uint64_t>(bytes.size()));
}

void apply(plist_t dictionary, const QByteArray& key, const std::optional<SettingValue>& value) {
    if (!value) {
        plist_dict_remove_item(dictionary, key.constData());
    } else if (plist_t node = makeNode(*value)) {
        plist_dict_set_item(dictionary, key.constData(), node);
    }
}

}  // namespace

FileSettingsStore::FileSettingsStore(QString filePath) : filePath_(std::move(filePath)) {
    load();
    removeStaleTemporaryFiles();
}

QString FileSettingsStore::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Corvane/settings.plist");
}

void FileSettingsStore::load() {
    root_.reset(plist_new_dict());
    if (readFile(filePath_, root_) == FileState::unreadable && !setAside()) {
        blocked_ =
            SettingsError(SettingsError::Kind::damagedFileInTheWay, filePath_, systemReason(errno));
    }
}

// Keeps what cannot be read for whoever wants to look at it, under a
// timestamped name beside it. False when it cannot be moved.
bool FileSettingsStore::setAside() {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = filePath_ + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n) {
        aside =
            filePath_ + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    }
    if (::rename(QFile::encodeName(filePath_).constData(), QFile::encodeName(aside).constData()) !=
        0) {
        return false;
    }
    setAsidePath_ = aside;
    syncFolder(QFileInfo(filePath_).absolutePath());
    return true;
}

void FileSettingsStore::removeStaleTemporaryFiles() const {
    // A writer that died before renaming its temporary file leaves it
    // behind. Under the lock no other instance is half-way through a write,
    // so every such file left is stale.
    const QFileInfo target(filePath_);
    const QDir folder = target.absoluteDir();
    if (!folder.exists()) {
        return;
    }
    const QRegularExpression pattern(QStringLiteral("^%1%2[A-Za-z0-9]{6}$")
                                         .arg(QRegularExpression::escape(target.fileName()),
                                              QRegularExpression::escape(kTemporarySuffix)));
    FolderLock lock(folder.path());
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (pattern.match(name).hasMatch()) {
            QFile::remove(folder.filePath(name));
        }
    }
}

std::optional<SettingValue> FileSettingsStore::value(const QString& key) const {
    plist_t node = plist_dict_get_item(root_.get(), key.toUtf8().constData());
    if (node == nullptr) {
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            std::uint8_t held = 0;
            plist_get_bool_val(node, &held);
            return holding<bool>(held != 0);
        }
        case PLIST_UINT: {
            // libplist keeps every integer in 64 bits; negative ones are
            // stored in two's complement.
            std::uint64_t held = 0;
            plist_get_uint_val(node, &held);
            return holding<std::int64_t>(static_cast<std::int64_t>(held));
        }
        case PLIST_STRING: {
            std::uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            return holding<QString>(QString::fromUtf8(text, static_cast<qsizetype>(length)));
        }
        case PLIST_DATA: {
            std::uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return holding<QByteArray>(bytes, static_cast<qsizetype>(length));
        }
        default:
            return std::nullopt;
    }
}

std::optional<SettingsError> FileSettingsStore::setValue(const QString& key,
                                                         const SettingValue& value) {
    const QByteArray name = key.toUtf8();
    const PlistNode node(makeNode(value));
    if (holdsNul(name) || !node) {
        return SettingsError(SettingsError::Kind::unsupportedValue, filePath_, key);
    }
    return change(name, value);
}

std::optional<SettingsError> FileSettingsStore::remove(const QString& key) {
    const QByteArray name = key.toUtf8();
    // A key this store never saw may be another instance's: left alone.
    if (plist_dict_get_item(root_.get(), name.constData()) == nullptr) {
        return pending_.empty() ? std::nullopt : write();
    }
    return change(name, std::nullopt);
}

std::optional<SettingsError> FileSettingsStore::change(const QByteArray& key,
                                                       std::optional<SettingValue> value) {
    // Memory holds the change at once, whether or not the file takes it.
    apply(root_.get(), key, value);
    pending_[key] = std::move(value);
    return write();
}

std::optional<SettingsError> FileSettingsStore::write() {
    if (blocked_) {
        return blocked_;
    }
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (const auto reason = makeFolders(folder)) {
        return SettingsError(SettingsError::Kind::folderUnavailable, folder, *reason);
    }
    FolderLock lock(folder);

    // What another instance wrote since this one read the file stays; only
    // this store's own changes go on top of it.
    PlistNode merged(plist_new_dict());
    switch (readFile(filePath_, merged)) {
        case FileState::parsed:
        case FileState::missing:
            break;
        case FileState::unreadable:
            // Damaged since it was read: kept aside, and memory stands in
            // for it. Something that is no file at all stays where it is
            // and makes the rename below fail.
            if (QFileInfo(filePath_).isFile() && !setAside()) {
                return SettingsError(SettingsError::Kind::damagedFileInTheWay, filePath_,
                                     systemReason(errno));
            }
            merged.reset(plist_copy(root_.get()));
            break;
    }
    for (const auto& [key, value] : pending_) {
        apply(merged.get(), key, value);
    }

    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(merged.get(), &xml, &length);
    const std::unique_ptr<char, decltype(&plist_to_xml_free)> text(xml, &plist_to_xml_free);
    if (!text) {
        return SettingsError(SettingsError::Kind::writeFailed, filePath_, QString());
    }

    QTemporaryFile file(filePath_ + kTemporarySuffix + QStringLiteral("XXXXXX"));
    if (!file.open()) {
        return SettingsError(SettingsError::Kind::writeFailed, filePath_, file.errorString());
    }
    if (file.write(text.get(), length) != static_cast<qint64>(length) || !file.flush()) {
        return SettingsError(SettingsError::Kind::writeFailed, filePath_, file.errorString());
    }
    if (::fsync(file.handle()) != 0 || ::rename(QFile::encodeName(file.fileName()).constData(),
                                                QFile::encodeName(filePath_).constData()) != 0) {
        return SettingsError(SettingsError::Kind::writeFailed, filePath_, systemReason(errno));
    }
    file.setAutoRemove(false);
    syncFolder(folder);
    root_ = std::move(merged);
    pending_.clear();
    return std::nullopt;
}

}  // namespace corvane
