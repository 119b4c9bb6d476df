#pragma once

#include <optional>

#include "platform/x11/RandrLayout.h"
#include "platform/x11/XConnection.h"

namespace corvane::x11 {

enum class ResourceQuery {
    current,  // what the server knows now; cheap
    probe,    // asks the drivers to probe the hardware again; may take long
};

enum class CrtcGeometry {
    placement,  // position, mode, rotation and outputs: what a snapshot needs
    full,       // also transform and panning: what sizing the screen needs
};

// Reads the whole RandR configuration: the screen resources with the
// primary output and the root's size, and every output, CRTC and EDID.
// Given the layout an earlier read returned, the outputs and CRTCs it found
// are asked for in the same round trip as the resources, which serves as
// long as the server still has the same ones; otherwise a second round
// asks for what the resources list. Retries when the configuration changes
// between the rounds. nullopt when the connection is lost or the server
// keeps refusing.
std::optional<RandrLayout> readLayout(XConnection& connection, ResourceQuery query,
                                      CrtcGeometry geometry = CrtcGeometry::placement,
                                      const RandrLayout* previous = nullptr);

}  // namespace corvane::x11
