#include "platform/linux/autostart/XdgAutostartEntry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

#include "platform/linux/autostart/DesktopEntry.h"

namespace corvane {

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Entries larger than this are not ours; reading stops there.
constexpr qint64 kLargestEntry = 64 * 1024;

LoginItemError registerError(QString path, QString reason) {
    return {LoginItemError::Kind::registerFailed, std::move(path), std::move(reason)};
}

}  // namespace

XdgAutostartEntry::XdgAutostartEntry(QString entryPath, QString executablePath)
    : entryPath_(std::move(entryPath)), executablePath_(std::move(executablePath)) {}

QString XdgAutostartEntry::defaultEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/corvane.desktop");
}

bool XdgAutostartEntry::isRegistered() const {
    QFile file(entryPath_);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.read(kLargestEntry + 1);
    if (bytes.size() > kLargestEntry) {
        return false;
    }
    const auto group = desktopEntry::mainGroup(QString::fromUtf8(bytes));
    if (!group || group->value(QStringLiteral("Type")) != QLatin1String("Application")) {
        return false;
    }
    if (group->value(QStringLiteral("Hidden")) == QLatin1String("true") ||
        group->value(QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false")) {
        return false;
    }
    const auto arguments = desktopEntry::execArguments(group->value(QStringLiteral("Exec")));
    return arguments && !arguments->isEmpty() && startsThisInstallation(arguments->front());
}

std::optional<LoginItemError> XdgAutostartEntry::registerItem() {
    const auto exec = desktopEntry::execValue(executablePath_);
    if (!exec) {
        return registerError(executablePath_,
                             QStringLiteral("실행 파일 경로에 제어 문자가 있습니다"));
    }
    const QString folder = QFileInfo(entryPath_).absolutePath();
    if (!QDir().mkpath(folder)) {
        // mkpath gives no reason; a plain mkdir of the last step tells why.
        const int error = ::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 ? 0 : errno;
        return registerError(folder, systemReason(error == 0 ? EIO : error));
    }
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Corvane\n"
                             "Comment=Shows and switches the refresh rate of your displays\n"
                             "Comment[ko]=디스플레이의 주사율과 해상도를 보여 주고 바꿉니다\n"
                             "Exec=%1\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n")
                             .arg(*exec);
    QSaveFile file(entryPath_);
    if (!file.open(QIODevice::WriteOnly)) {
        return registerError(entryPath_, file.errorString());
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return registerError(entryPath_, reason);
    }
    if (!file.commit()) {
        return registerError(entryPath_, file.errorString());
    }
    return std::nullopt;
}

std::optional<LoginItemError> XdgAutostartEntry::unregisterItem() {
    if (::unlink(QFile::encodeName(entryPath_).constData()) != 0 && errno != ENOENT) {
        return LoginItemError(LoginItemError::Kind::unregisterFailed, entryPath_,
                              systemReason(errno));
    }
    return std::nullopt;
}

bool XdgAutostartEntry::startsThisInstallation(const QString& program) const {
    if (QDir::cleanPath(program) == QDir::cleanPath(executablePath_)) {
        return true;
    }
    // The same program reached through a different spelling or a symlink.
    const QString canonical = QFileInfo(program).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(executablePath_).canonicalFilePath();
}

}  // namespace corvane
