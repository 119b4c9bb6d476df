#include "platform/monitor/DisplayIdentity.h"

#include <QByteArray>
#include <algorithm>
#include <numeric>
#include <set>

namespace corvane {

namespace {

QByteArray monitorKey(const OutputIdentity& output) {
    if (!output.monitor) {
        return "output\x1f" + output.outputName.toUtf8();
    }
    const MonitorNames& monitor = *output.monitor;
    return "monitor\x1f" + monitor.vendor.toUtf8() + '\x1f' + monitor.product.toUtf8() + '\x1f' +
           monitor.serial.toUtf8();
}

// The n-th identifier an output may take: its monitor's own first, then
// ones qualified by the port, then by a counter.
DisplayId candidateId(const OutputIdentity& output, int n) {
    QByteArray key = monitorKey(output);
    if (n > 0) {
        key += "\x1f@" + output.outputName.toUtf8();
    }
    if (n > 1) {
        key += '\x1f' + QByteArray::number(n);
    }
    return stableHash(key);
}

}  // namespace

std::uint32_t stableHash(QByteArrayView bytes) {
    std::uint32_t hash = 2166136261u;
    for (char c : bytes) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 16777619u;
    }
    return hash;
}

MonitorNames monitorNames(const Edid& edid) {
    MonitorNames names;
    names.vendor = edid.manufacturer;
    names.product = edid.monitorName.isEmpty()
                        ? QStringLiteral("0x%1").arg(edid.productCode, 4, 16, QLatin1Char('0'))
                        : edid.monitorName;
    names.serial = edid.serialText.isEmpty()
                       ? QStringLiteral("0x%1").arg(edid.serialNumber, 8, 16, QLatin1Char('0'))
                       : edid.serialText;
    return names;
}

DisplayId monitorDisplayId(const OutputIdentity& output) {
    // 0 stands for "no display" above this layer; skip to the next number.
    const DisplayId id = candidateId(output, 0);
    return id != 0 ? id : 1;
}

std::vector<DisplayId> assignDisplayIds(const std::vector<OutputIdentity>& outputs) {
    std::vector<std::size_t> byName(outputs.size());
    std::iota(byName.begin(), byName.end(), std::size_t{0});
    std::stable_sort(byName.begin(), byName.end(), [&](std::size_t a, std::size_t b) {
        return outputs[a].outputName < outputs[b].outputName;
    });

    std::vector<DisplayId> ids(outputs.size(), 0);
    std::set<DisplayId> taken;
    for (std::size_t index : byName) {
        DisplayId id = monitorDisplayId(outputs[index]);
        for (int n = 1; taken.count(id) != 0 || id == 0; ++n) {
            id = candidateId(outputs[index], n);
        }
        taken.insert(id);
        ids[index] = id;
    }
    return ids;
}

}  // namespace corvane
