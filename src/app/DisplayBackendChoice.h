#pragma once

#include <QString>

namespace corvane {

// What the session tells about the desktop Corvane runs on.
struct SessionFacts {
    bool mutterOnSessionBus = false;  // Mutter's display configuration name is owned
    QString waylandDisplay;           // $WAYLAND_DISPLAY
    QString sessionType;              // $XDG_SESSION_TYPE
};

enum class DisplayBackendChoice {
    mutter,              // GNOME, on Wayland or X11: Mutter owns the displays
    unsupportedWayland,  // another Wayland compositor: nothing Corvane can drive yet
    x11,                 // an X11 session: RandR
};

// Under Wayland the X11 backend would reach only XWayland, whose RandR
// lists displays but switches none of them, so a Wayland session that is
// not GNOME gets no backend at all.
DisplayBackendChoice chooseDisplayBackend(const SessionFacts& facts);

// The alert shown before quitting in a session Corvane cannot drive.
inline const QString kUnsupportedDesktopTitle = QStringLiteral("지원되지 않는 데스크톱");
inline const QString kUnsupportedDesktopText = QStringLiteral(
    "이 데스크톱의 디스플레이는 아직 Corvane으로 변경할 수 없습니다. GNOME 또는 X11 세션에서 "
    "실행해 주세요.");

}  // namespace corvane
