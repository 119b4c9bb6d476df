#include "ui/MenuBarAppearance.h"

#include <QApplication>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace corvane {

namespace {

constexpr char kAppearanceProperty[] = "corvaneAppearance";

QColor rgba(int red, int green, int blue, double alpha = 1.0) {
    QColor color(red, green, blue);
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

struct ColorPair {
    QColor light;
    QColor dark;
};

// Values of the macOS system colours these roles are named after, so the
// panel keeps the proportions of contrast it was designed with.
ColorPair colorPair(ColorRole role) {
    switch (role) {
        case ColorRole::label:
            return {rgba(0, 0, 0, 0.85), rgba(255, 255, 255, 0.85)};
        case ColorRole::secondaryLabel:
            return {rgba(0, 0, 0, 0.50), rgba(255, 255, 255, 0.55)};
        case ColorRole::tertiaryLabel:
            return {rgba(0, 0, 0, 0.26), rgba(255, 255, 255, 0.25)};
        case ColorRole::separator:
            return {rgba(0, 0, 0, 0.10), rgba(255, 255, 255, 0.10)};
        case ColorRole::windowBackground:
            return {rgba(236, 236, 236), rgba(50, 50, 50)};
        case ColorRole::controlBackground:
            return {rgba(255, 255, 255), rgba(30, 30, 30)};
        case ColorRole::accent:
            return {rgba(0, 122, 255), rgba(10, 132, 255)};
        case ColorRole::systemBlue:
            return {rgba(0, 122, 255), rgba(10, 132, 255)};
        case ColorRole::systemGreen:
            return {rgba(40, 205, 65), rgba(50, 215, 75)};
        case ColorRole::systemOrange:
            return {rgba(255, 149, 0), rgba(255, 159, 10)};
        case ColorRole::systemYellow:
            return {rgba(255, 204, 0), rgba(255, 214, 10)};
        case ColorRole::systemPurple:
            return {rgba(175, 82, 222), rgba(191, 90, 242)};
        case ColorRole::systemRed:
            return {rgba(255, 59, 48), rgba(255, 69, 58)};
        case ColorRole::switchTrackOff:
            return {rgba(0, 0, 0, 0.09), rgba(255, 255, 255, 0.15)};
        case ColorRole::menuBackground:
            return {rgba(246, 246, 246), rgba(40, 40, 40)};
        case ColorRole::menuSelection:
            return {rgba(0, 122, 255), rgba(10, 132, 255)};
    }
    return {rgba(0, 0, 0), rgba(255, 255, 255)};
}

}  // namespace

QColor namedColor(ColorRole role, Appearance appearance) {
    const ColorPair pair = colorPair(role);
    return appearance == Appearance::dark ? pair.dark : pair.light;
}

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

Appearance appearanceFromPalette(const QPalette& palette) {
    return palette.color(QPalette::Active, QPalette::Window).lightness() < 128 ? Appearance::dark
                                                                               : Appearance::light;
}

Appearance desktopAppearance() {
    return appearanceFromPalette(QApplication::palette());
}

Appearance appearanceOf(const QWidget* widget) {
    for (const QWidget* current = widget; current != nullptr; current = current->parentWidget()) {
        const QVariant value = current->property(kAppearanceProperty);
        if (value.isValid()) {
            return value.toInt() == static_cast<int>(Appearance::dark) ? Appearance::dark
                                                                       : Appearance::light;
        }
    }
    return desktopAppearance();
}

void setAppearanceOf(QWidget* widget, Appearance appearance) {
    widget->setProperty(kAppearanceProperty, static_cast<int>(appearance));
}

}  // namespace corvane
