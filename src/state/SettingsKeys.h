#pragma once

#include <QString>

#include "display/DisplayMode.h"

namespace corvane::settingsKeys {

inline const QString kSelectedDisplayID = QStringLiteral("selectedDisplayID");
inline const QString kAutoApplyOnLaunch = QStringLiteral("autoApplyOnLaunch");
inline const QString kIconStyle = QStringLiteral("iconStyle");
inline const QString kAnimateOnChange = QStringLiteral("animateOnChange");
inline const QString kColorMode = QStringLiteral("colorMode");

// "savedMode.1" for display 1.
inline QString savedMode(DisplayId display) {
    return QStringLiteral("savedMode.") + QString::number(display);
}

}  // namespace corvane::settingsKeys
