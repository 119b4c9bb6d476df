#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "testbed/EdidBlob.h"
#include "testbed/XorgServer.h"

namespace corvane::devdesktop {

// One monitor of the private desktop: the dummy output it sits on, the
// mode it starts in and what its EDID says about it.
struct VirtualMonitor {
    QString output;
    QString initialMode;
    testing::EdidFields edid;
};

// The private desktop: two monitors side by side, each offering the same
// common sizes at the refresh rates people switch between (60, 59.94, 120
// and 144 Hz), starting in different modes so that the tray shows a rate
// and the panel has something to mark.
struct DesktopLayout {
    std::vector<testing::Modeline> modes;
    std::vector<VirtualMonitor> monitors;  // the first is DUMMY0, the main one

    static DesktopLayout standard();
};

// Starts an Xorg dummy server with the layout's modes, plugs every monitor
// after the first to the right of the one before it and gives each its
// EDID. Throws testing::XorgError when a step fails.
std::unique_ptr<testing::XorgServer> startDesktop(const DesktopLayout& layout);

}  // namespace corvane::devdesktop
