// corvane-screenshot: writes a PNG of the X display in $DISPLAY, of one
// window on it or of a rectangle of it.
//
//     corvane-screenshot --output FILE.png [--window XID | --rect X,Y,W,H]
//
// Exit status 0 when the file is written; otherwise 1 and one line on
// standard error saying why.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <variant>

#include "ScreenshotRequest.h"

namespace corvane::devdesktop {
namespace {

[[noreturn]] void failAndExit(const QString& message) {
    std::fprintf(stderr, "corvane-screenshot: %s\n", qPrintable(message));
    std::fflush(stderr);
    std::_Exit(1);
}

// Qt's own chatter (XCB errors for a window that does not exist, plugin
// messages) would break the one-line error promise; the tool reports what
// went wrong itself. A fatal message means the display could not be used.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg) {
        failAndExit(QStringLiteral("cannot open the X display \"%1\"")
                        .arg(qEnvironmentVariable("DISPLAY")));
    }
}

struct Grab {
    QPixmap pixmap;
    QString error;
};

Grab grab(QScreen& screen, const ScreenshotRequest& request) {
    // Every screen of an X display shares one root window; grabbing
    // window 0 reads from that root, in root coordinates.
    const QRect root = screen.virtualGeometry();
    return std::visit(
        [&](const auto& target) -> Grab {
            using Target = std::decay_t<decltype(target)>;
            if constexpr (std::is_same_v<Target, ScreenshotRequest::WholeScreen>) {
                return {screen.grabWindow(0, root.x(), root.y(), root.width(), root.height()), {}};
            } else if constexpr (std::is_same_v<Target, ScreenshotRequest::WindowId>) {
                QPixmap pixmap = screen.grabWindow(target);
                if (pixmap.isNull()) {
                    return {{},
                            QStringLiteral("no window 0x%1 on this display").arg(target, 0, 16)};
                }
                return {pixmap, {}};
            } else {
                if (!root.contains(target)) {
                    return {{},
                            QStringLiteral("the rectangle %1,%2,%3,%4 is not inside the "
                                           "screen (%5x%6)")
                                .arg(target.x())
                                .arg(target.y())
                                .arg(target.width())
                                .arg(target.height())
                                .arg(root.width())
                                .arg(root.height())};
                }
                return {
                    screen.grabWindow(0, target.x(), target.y(), target.width(), target.height()),
                    {}};
            }
        },
        request.target);
}

int run(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const ParsedScreenshotRequest parsed = parseScreenshotArguments(arguments);
    if (!parsed.request) {
        failAndExit(parsed.error);
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        failAndExit(QStringLiteral("DISPLAY is not set"));
    }

    qInstallMessageHandler(quietMessages);
    // Only the X display can be grabbed, whatever the session prefers.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);

    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        failAndExit(QStringLiteral("the X display has no screen"));
    }
    const Grab result = grab(*screen, *parsed.request);
    if (result.pixmap.isNull()) {
        failAndExit(result.error.isEmpty() ? QStringLiteral("the X server returned no image")
                                           : result.error);
    }
    const QImage image = result.pixmap.toImage();
    if (!image.save(parsed.request->outputFile, "PNG")) {
        failAndExit(QStringLiteral("cannot write %1").arg(parsed.request->outputFile));
    }
    return 0;
}

}  // namespace
}  // namespace corvane::devdesktop

int main(int argc, char** argv) {
    return corvane::devdesktop::run(argc, argv);
}
