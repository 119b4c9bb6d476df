#include "display/DisplayServiceError.h"

namespace corvane {

QString DisplayServiceError::description() const {
    switch (kind_) {
        case Kind::changeFailed:
            return QStringLiteral("디스플레이 서버가 화면 모드 변경을 거부했습니다. 오류 코드: %1")
                .arg(code_);
        case Kind::displayUnavailable:
            return QStringLiteral(
                "선택한 디스플레이를 찾을 수 없습니다. 모니터 연결 상태를 확인해 주세요.");
        case Kind::modeUnavailable:
            return QStringLiteral(
                "선택한 해상도와 주사율을 적용할 수 있는 화면 모드를 찾을 수 없습니다.");
    }
    return {};
}

}  // namespace corvane
