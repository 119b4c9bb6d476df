#include "platform/linux/settings/FileSettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
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
    const QByteArray nativePath = QFile::encodeName(filePath_);
    struct stat info {};
    // Nothing there, or a file where the folder belongs: no settings yet,
    // and the write will say why it cannot make the folder.
    if (::lstat(nativePath.constData(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        return;
    }

    QFile file(filePath_);
    QByteArray bytes;
    bool readable = file.open(QIODevice::ReadOnly);
    if (readable) {
        bytes = file.readAll();
        readable = file.error() == QFileDevice::NoError;
    }
    if (readable && bytes.size() <= std::numeric_limits<std::uint32_t>::max()) {
        plist_t parsed = nullptr;
        plist_from_memory(bytes.constData(), static_cast<std::uint32_t>(bytes.size()), &parsed);
        PlistNode tree(parsed);
        if (tree && plist_get_node_type(tree.get()) == PLIST_DICT) {
            root_ = std::move(tree);
            return;
        }
    }

    // Keep what cannot be read for whoever wants to look at it, and start
    // afresh beside it.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = filePath_ + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n) {
        aside =
            filePath_ + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    }
    if (::rename(nativePath.constData(), QFile::encodeName(aside).constData()) != 0) {
        blocked_ =
            SettingsError(SettingsError::Kind::damagedFileInTheWay, filePath_, systemReason(errno));
        return;
    }
    setAsidePath_ = aside;
    syncFolder(QFileInfo(filePath_).absolutePath());
}

void FileSettingsStore::removeStaleTemporaryFiles() const {
    // QSaveFile names its temporary file after the target with six random
    // characters; one is left behind when a writer dies before renaming it.
    const QFileInfo target(filePath_);
    const QRegularExpression pattern(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(target.fileName())));
    const QDir folder = target.absoluteDir();
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
    if (holdsNul(name)) {
        return SettingsError(SettingsError::Kind::unsupportedValue, filePath_, key);
    }
    if (!dirty_ && this->value(key) == value) {
        return std::nullopt;
    }
    plist_t node = nullptr;
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        node = plist_new_uint(static_cast<std::uint64_t>(*integer));
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        node = plist_new_bool(*flag ? 1 : 0);
    } else if (const auto* text = std::get_if<QString>(&value)) {
        const QByteArray utf8 = text->toUtf8();
        // The property list keeps strings as C strings.
        if (holdsNul(utf8)) {
            return SettingsError(SettingsError::Kind::unsupportedValue, filePath_, key);
        }
        node = plist_new_string(utf8.constData());
    } else {
        const QByteArray& bytes = std::get<QByteArray>(value);
        node = plist_new_data(bytes.constData(), static_cast<std::uint64_t>(bytes.size()));
    }
    plist_dict_set_item(root_.get(), name.constData(), node);
    return write();
}

std::optional<SettingsError> FileSettingsStore::remove(const QString& key) {
    const QByteArray name = key.toUtf8();
    if (plist_dict_get_item(root_.get(), name.constData()) == nullptr) {
        return dirty_ ? write() : std::nullopt;
    }
    plist_dict_remove_item(root_.get(), name.constData());
    return write();
}

std::optional<SettingsError> FileSettingsStore::write() {
    dirty_ = true;
    if (blocked_) {
        return blocked_;
    }
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (const auto reason = makeFolders(folder)) {
        return SettingsError(SettingsError::Kind::folderUnavailable, folder, *reason);
    }

    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root_.get(), &xml, &length);
    const std::unique_ptr<char, decltype(&plist_to_xml_free)> text(xml, &plist_to_xml_free);
    if (!text) {
        return SettingsError(SettingsError::Kind::writeFailed, filePath_, QString());
    }

    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly)) {
        return SettingsError(SettingsError::Kind::writeFailed, filePath_, file.errorString());
    }
    if (file.write(text.get(), length) != static_cast<qint64>(length)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return SettingsError(SettingsError::Kind::writeFailed, filePath_, reason);
    }
    if (!file.commit()) {
        return SettingsError(SettingsError::Kind::writeFailed, filePath_, file.errorString());
    }
    syncFolder(folder);
    dirty_ = false;
    return std::nullopt;
}

}  // namespace corvane
