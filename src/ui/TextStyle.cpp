#include "ui/TextStyle.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace corvane {

namespace {

QFont::Weight qtWeight(FontWeight weight) {
    switch (weight) {
        case FontWeight::regular:
            return QFont::Normal;
        case FontWeight::medium:
            return QFont::Medium;
        case FontWeight::semibold:
            return QFont::DemiBold;
        case FontWeight::bold:
            return QFont::Bold;
    }
    return QFont::Normal;
}

double logicalDpi() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        return screen->logicalDotsPerInch();
    }
    return 96.0;
}

}  // namespace

QFont systemFont(int pixelSize, FontWeight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixelSize);
    font.setWeight(qtWeight(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont menuBarFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (font.pixelSize() <= 0) {
        const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
        font.setPixelSize(static_cast<int>(std::lround(points * logicalDpi() / 72.0)));
    }
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace corvane
