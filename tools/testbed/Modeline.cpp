#include "testbed/Modeline.h"

#include <cmath>

namespace corvane::testing {

namespace {

bool hasFlag(const QStringList& flags, const char* flag) {
    return flags.contains(QLatin1String(flag), Qt::CaseInsensitive);
}

// RandR counts the fields of an interlaced mode and each line of a
// double-scan mode twice.
double scanFactor(const QStringList& flags) {
    double factor = 1.0;
    if (hasFlag(flags, "Interlace")) {
        factor *= 2.0;
    }
    if (hasFlag(flags, "DoubleScan")) {
        factor /= 2.0;
    }
    return factor;
}

}  // namespace

Modeline Modeline::withRefresh(const QString& name, int width, int height, double refreshHz,
                               const QStringList& extraFlags) {
    Modeline mode;
    mode.name = name;
    mode.flags += extraFlags;
    // Small porches valid for any size, but not the exact reduced-blanking
    // shape, which Xorg refuses for a monitor that does not announce it.
    mode.hDisplay = width;
    mode.hSyncStart = width + 48;
    mode.hSyncEnd = width + 96;
    mode.hTotal = width + 200;
    mode.vDisplay = height;
    mode.vSyncStart = height + 3;
    mode.vSyncEnd = height + 9;
    mode.vTotal = height + 30;
    const double frameRate = refreshHz / scanFactor(mode.flags);
    mode.pixelClockKHz = static_cast<int>(
        std::lround(frameRate * mode.hTotal * static_cast<double>(mode.vTotal) / 1000.0));
    return mode;
}

double Modeline::refreshRate() const {
    if (hTotal <= 0 || vTotal <= 0) {
        return 0;
    }
    return pixelClockKHz * 1000.0 / (static_cast<double>(hTotal) * vTotal) * scanFactor(flags);
}

QString Modeline::configLine() const {
    return QStringLiteral("Modeline \"%1\" %2").arg(name, xrandrArguments().mid(1).join(' '));
}

QStringList Modeline::xrandrArguments() const {
    QStringList arguments = {name, QString::number(pixelClockKHz / 1000.0, 'f', 3)};
    for (int value :
         {hDisplay, hSyncStart, hSyncEnd, hTotal, vDisplay, vSyncStart, vSyncEnd, vTotal}) {
        arguments << QString::number(value);
    }
    return arguments + flags;
}

}  // namespace corvane::testing
