#include "state/SettingsStore.h"

namespace corvane {

namespace {

template <typename T>
std::optional<T> typed(const std::optional<SettingValue>& value) {
    if (value) {
        if (const T* held = std::get_if<T>(&*value)) {
            return *held;
        }
    }
    return std::nullopt;
}

}  // namespace

QString SettingsError::description() const {
    QString text;
    switch (kind_) {
        case Kind::folderUnavailable:
            text = QStringLiteral("설정 폴더를 만들 수 없습니다.");
            break;
        case Kind::writeFailed:
            text = QStringLiteral("설정을 저장하지 못했습니다.");
            break;
        case Kind::unsupportedValue:
            text = QStringLiteral("이 값은 설정 파일에 저장할 수 없습니다.");
            break;
        case Kind::damagedFileInTheWay:
            text = QStringLiteral("손상된 설정 파일을 옮기지 못해 설정을 저장하지 않았습니다.");
            break;
    }
    if (!path_.isEmpty()) {
        text += QLatin1Char(' ') + path_;
    }
    if (!reason_.isEmpty()) {
        text += QStringLiteral(": ") + reason_;
    }
    return text;
}

std::optional<std::int64_t> SettingsStore::integer(const QString& key) const {
    return typed<std::int64_t>(value(key));
}

std::optional<bool> SettingsStore::boolean(const QString& key) const {
    return typed<bool>(value(key));
}

std::optional<QString> SettingsStore::string(const QString& key) const {
    return typed<QString>(value(key));
}

std::optional<QByteArray> SettingsStore::data(const QString& key) const {
    return typed<QByteArray>(value(key));
}

}  // namespace corvane
