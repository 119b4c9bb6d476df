#pragma once

#include "platform/x11/X11DisplayBackend.h"

namespace corvane {

// Scale factors from the running Qt GUI application: the device pixel
// ratio of the QScreen whose name is the output's name (Qt names its X11
// screens after their RandR outputs). Answers nullopt while no
// QGuiApplication exists, so a backend built with it works without one.
OutputScaleLookup qtScreenScaleLookup();

}  // namespace corvane
