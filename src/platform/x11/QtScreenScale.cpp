#include "platform/x11/QtScreenScale.h"

#include <QGuiApplication>
#include <QScreen>

namespace corvane {

OutputScaleLookup qtScreenScaleLookup() {
    return [](const QString& outputName) -> std::optional<double> {
        if (!qGuiApp) {
            return std::nullopt;
        }
        for (const QScreen* screen : QGuiApplication::screens()) {
            if (screen->name() == outputName) {
                return screen->devicePixelRatio();
            }
        }
        return std::nullopt;
    };
}

}  // namespace corvane
