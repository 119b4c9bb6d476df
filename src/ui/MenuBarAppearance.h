#pragma once

#include <QColor>

class QPalette;
class QWidget;

namespace corvane {

// Whether the desktop (or the bar hosting the tray icon) is light or dark.
enum class Appearance { light, dark };

// The named colours the tray icon and the popover draw with. Each has a light
// and a dark value, so one role reads well on either background.
enum class ColorRole {
    label,              // primary text and strokes
    secondaryLabel,     // text and symbols of lower emphasis
    tertiaryLabel,      // the least emphasised text and symbols
    separator,          // dividers
    windowBackground,   // behind the whole popover
    controlBackground,  // fill of rows and unselected buttons
    accent,             // selection and the symbols of navigation rows
    systemBlue,
    systemGreen,
    systemOrange,
    systemYellow,
    systemPurple,
    systemRed,       // destructive actions
    switchTrackOff,  // the track of a switch that is off
    menuBackground,  // the pull-down menus
    menuSelection,   // the highlighted entry of a pull-down menu
};

QColor namedColor(ColorRole role, Appearance appearance);

// `color` with its alpha multiplied by `opacity`, the way a view's opacity
// fades a colour that may already be translucent.
QColor withOpacity(QColor color, double opacity);

// Qt 6.4 has no colour-scheme hint: a window colour darker than mid-grey
// means the desktop runs a dark theme.
Appearance appearanceFromPalette(const QPalette& palette);
// The running desktop's appearance, from the application palette.
Appearance desktopAppearance();

// The appearance a component paints with: the one set on the nearest
// ancestor (see setAppearanceOf), else the application palette's.
Appearance appearanceOf(const QWidget* widget);
void setAppearanceOf(QWidget* widget, Appearance appearance);

}  // namespace corvane
