#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "display/DisplayMode.h"
#include "platform/x11/Edid.h"

namespace corvane::x11 {

// What is known about the monitor on one online output.
struct OutputIdentity {
    QString outputName;        // unique on the server, such as "DP-1"
    std::optional<Edid> edid;  // absent when the output has no readable EDID
};

// The monitor's own identifier: a hash of manufacturer, product code and
// serial number (number and text) when there is an EDID, else of the output
// name. The same monitor gets the same number on every port and in every
// run; it is never 0.
DisplayId monitorDisplayId(const OutputIdentity& output);

// Identifiers for outputs that are online together, in the given order,
// all distinct. Outputs are served in order of their names: each gets its
// monitor's identifier unless an output served before it holds that
// already (two identical monitors), and then a number derived from the
// monitor and its output name. So the same monitors on the same ports get
// the same identifiers in every run, and a lone monitor keeps its own.
std::vector<DisplayId> assignDisplayIds(const std::vector<OutputIdentity>& outputs);

}  // namespace corvane::x11
