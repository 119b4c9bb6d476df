#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "display/DisplayMode.h"
#include "platform/x11/X11DisplayBackend.h"
#include "testbed/EdidBlob.h"
#include "testbed/XorgServer.h"

namespace corvane::testing {

// Modes at sizes that Xorg's built-in list lacks, so each size holds only
// what a test put there. 1600×1000 has a 60 / 59.94 / 59.88 Hz trio and
// 75 Hz; 1500×1000 a 60 / 59.94 Hz pair.
inline const Modeline kT60 = Modeline::withRefresh("T60", 1600, 1000, 60.0);
inline const Modeline kT5994 = Modeline::withRefresh("T5994", 1600, 1000, 59.94);
inline const Modeline kT5988 = Modeline::withRefresh("T5988", 1600, 1000, 59.88);
inline const Modeline kT75 = Modeline::withRefresh("T75", 1600, 1000, 75.0);
inline const Modeline kP60 = Modeline::withRefresh("P60", 1500, 1000, 60.0);
inline const Modeline kP5994 = Modeline::withRefresh("P5994", 1500, 1000, 59.94);
inline const Modeline kBig60 = Modeline::withRefresh("Big60", 2400, 1500, 60.0);

// DUMMY0 starts at 1600×1000, 60 Hz.
inline XorgServer::Options testServerOptions() {
    XorgServer::Options options;
    options.modelines = {kT60, kT5994, kT5988, kT75, kP60, kP5994, kBig60};
    options.initialMode = kT60.name;
    return options;
}

inline QByteArray monitorEdid(const QString& name, std::uint32_t serial = 0,
                              std::uint16_t product = 0x2701) {
    EdidFields fields;
    fields.monitorName = name;
    fields.serialNumber = serial;
    fields.productCode = product;
    return makeEdid(fields);
}

inline std::unique_ptr<X11DisplayBackend> connectBackend(const XorgServer& server) {
    X11DisplayBackend::Options options;
    options.displayName = server.displayName();
    return std::make_unique<X11DisplayBackend>(options);
}

// The rates of `modes` at one size, in list order.
inline std::vector<double> ratesAt(const std::vector<DisplayModeInfo>& modes, int width,
                                   int height) {
    std::vector<double> rates;
    for (const DisplayModeInfo& mode : modes) {
        if (mode.width == width && mode.height == height) {
            rates.push_back(mode.refreshRate);
        }
    }
    return rates;
}

inline std::optional<DisplayModeInfo> modeAt(const std::vector<DisplayModeInfo>& modes, int width,
                                             int height, double rate) {
    for (const DisplayModeInfo& mode : modes) {
        if (mode.width == width && mode.height == height &&
            std::abs(mode.refreshRate - rate) < 0.005) {
            return mode;
        }
    }
    return std::nullopt;
}

}  // namespace corvane::testing
