#include "DesktopLayout.h"

#include <algorithm>

namespace corvane::devdesktop {

namespace {

QString modeName(int width, int height, const QString& rate) {
    return QStringLiteral("%1x%2_%3").arg(width).arg(height).arg(rate);
}

// Plugging an output in adds its first mode by hand before the output
// reports its monitor's modes, after which that mode is listed twice. The
// output goes on in another mode first; the hand-added copy is removed
// once nothing uses it, so every mode appears once, as on real hardware.
void plugWithoutDuplicate(testing::XorgServer& server, const DesktopLayout& layout,
                          const VirtualMonitor& monitor, const QString& leftNeighbour) {
    const auto staging = std::find_if(
        layout.modes.begin(), layout.modes.end(),
        [&](const testing::Modeline& mode) { return mode.name != monitor.initialMode; });
    if (staging == layout.modes.end()) {
        server.plug(monitor.output, monitor.initialMode,
                    {QStringLiteral("--right-of"), leftNeighbour});
        return;
    }
    server.plug(monitor.output, staging->name, {QStringLiteral("--right-of"), leftNeighbour});
    server.setMode(monitor.output, monitor.initialMode);
    server.deleteMode(monitor.output, staging->name);
}

}  // namespace

DesktopLayout DesktopLayout::standard() {
    DesktopLayout layout;
    const struct {
        int width;
        int height;
    } sizes[] = {{1920, 1080}, {2560, 1440}};
    const struct {
        double hertz;
        const char* word;
    } rates[] = {{60.0, "60"}, {59.94, "59.94"}, {120.0, "120"}, {144.0, "144"}};
    for (const auto& size : sizes) {
        for (const auto& rate : rates) {
            layout.modes.push_back(testing::Modeline::withRefresh(
                modeName(size.width, size.height, QLatin1String(rate.word)), size.width,
                size.height, rate.hertz));
        }
    }

    VirtualMonitor left;
    left.output = QStringLiteral("DUMMY0");
    left.initialMode = modeName(1920, 1080, QStringLiteral("60"));
    left.edid.productCode = 0x2401;
    left.edid.serialNumber = 24001;
    left.edid.monitorName = QStringLiteral("Studio 24");

    VirtualMonitor right;
    right.output = QStringLiteral("DUMMY1");
    right.initialMode = modeName(2560, 1440, QStringLiteral("144"));
    right.edid.productCode = 0x2701;
    right.edid.serialNumber = 27001;
    right.edid.monitorName = QStringLiteral("Wide 27");

    layout.monitors = {left, right};
    return layout;
}

std::unique_ptr<testing::XorgServer> startDesktop(const DesktopLayout& layout) {
    testing::XorgServer::Options options;
    options.modelines = layout.modes;
    if (!layout.monitors.empty()) {
        options.initialMode = layout.monitors.front().initialMode;
    }
    auto server = std::make_unique<testing::XorgServer>(options);
    QString previous;
    for (const VirtualMonitor& monitor : layout.monitors) {
        // DUMMY0 is on from the start; every other output is plugged in.
        if (!previous.isEmpty()) {
            plugWithoutDuplicate(*server, layout, monitor, previous);
        }
        server->attachEdid(monitor.output, testing::makeEdid(monitor.edid));
        previous = monitor.output;
    }
    return server;
}

}  // namespace corvane::devdesktop
