#pragma once

#include <cstdint>
#include <optional>
#include <vector>

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

// The outputs and CRTCs a read found, the configuration they belong to,
// and the outputs that were connected.
struct LayoutShape {
    std::vector<std::uint32_t> outputs;
    std::vector<std::uint32_t> crtcs;
    std::uint32_t configTimestamp = 0;
    std::vector<std::uint32_t> connected;
};

// Reads the whole RandR configuration: the screen resources with the
// primary output and the root's size, and every output, CRTC and EDID.
// Given the shape of an earlier read, its outputs and CRTCs, and the EDIDs
// of its connected outputs, are asked for in the same round trip as the
// resources, which serves as long as the server still has the same outputs
// and CRTCs; otherwise a second round asks for what the resources list. A
// monitor connected since costs one more round for its EDID. The read
// leaves what it found in the shape. Retries when the configuration
// changes between the rounds. nullopt when the connection is lost or the
// server keeps refusing.
std::optional<RandrLayout> readLayout(XConnection& connection, ResourceQuery query,
                                      CrtcGeometry geometry = CrtcGeometry::placement,
                                      LayoutShape* shape = nullptr);

}  // namespace corvane::x11
