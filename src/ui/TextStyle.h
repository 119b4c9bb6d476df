#pragma once

#include <QFont>

namespace corvane {

enum class FontWeight { regular, medium, semibold, bold };

// The desktop's UI typeface at a size in pixels. Sizes are pixels rather
// than points so that the popover keeps its designed proportions whatever
// DPI the desktop reports. Titles and numbers that would use a rounded face
// use this one too: Linux desktops have no rounded system face, and the
// rounded faces that ship with the Hangul fonts have no real bold.
QFont systemFont(int pixelSize, FontWeight weight);

// The desktop's general UI font at its own size, fixed to pixels for the
// screen the tray lives on, so the tray text matches the panel's labels.
QFont menuBarFont();

}  // namespace corvane
