#include "state/LoginItem.h"

namespace corvane {

QString LoginItemError::description() const {
    QString text =
        kind_ == Kind::registerFailed
            ? QStringLiteral("로그인할 때 자동으로 실행되도록 등록하지 못했습니다.")
            : QStringLiteral("로그인할 때 자동으로 실행되지 않도록 해제하지 못했습니다.");
    if (!path_.isEmpty()) {
        text += QLatin1Char(' ') + path_;
    }
    if (!reason_.isEmpty()) {
        text += QStringLiteral(": ") + reason_;
    }
    return text;
}

}  // namespace corvane
