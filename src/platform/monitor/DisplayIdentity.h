#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "display/DisplayMode.h"
#include "platform/monitor/Edid.h"

namespace corvane {

// A monitor as GNOME's compositor names it: the EDID's PNP vendor, the
// display-name descriptor (else the product code as "0x%04x") and the
// serial-number descriptor (else the serial number as "0x%08x"). Both
// display backends key monitors by these three strings, so a monitor keeps
// its identifier between an X11 and a Wayland session.
struct MonitorNames {
    QString vendor;
    QString product;
    QString serial;

    bool operator==(const MonitorNames&) const = default;
};

// The names GNOME's compositor reports for a monitor with this EDID.
MonitorNames monitorNames(const Edid& edid);

// What is known about the monitor on one online output.
struct OutputIdentity {
    QString outputName;                   // unique on the server, such as "DP-1"
    std::optional<MonitorNames> monitor;  // absent when the output has no readable EDID
};

// The monitor's own identifier: a hash of its names when there are some, else
// of the output name. The same monitor gets the same number on every port,
// in every run and under either display backend; it is never 0.
DisplayId monitorDisplayId(const OutputIdentity& output);

// Identifiers for outputs that are online together, in the given order,
// all distinct. Outputs are served in order of their names: each gets its
// monitor's identifier unless an output served before it holds that
// already (two identical monitors), and then a number derived from the
// monitor and its output name. So the same monitors on the same ports get
// the same identifiers in every run, and a lone monitor keeps its own.
std::vector<DisplayId> assignDisplayIds(const std::vector<OutputIdentity>& outputs);

// FNV-1a over the bytes: the same number on every run and build, unlike
// qHash, which is seeded per process. For identifiers that are persisted.
std::uint32_t stableHash(QByteArrayView bytes);

}  // namespace corvane
