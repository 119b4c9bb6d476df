#pragma once

#include <QString>
#include <QStringList>

namespace corvane::testing {

// One video mode as Xorg's configuration and `xrandr --newmode` spell it.
// The server keeps the pixel clock in whole kilohertz, so refreshRate()
// computes the rate from the clock rounded that way: it is the rate RandR
// will report.
struct Modeline {
    QString name;
    int pixelClockKHz = 0;
    int hDisplay = 0;
    int hSyncStart = 0;
    int hSyncEnd = 0;
    int hTotal = 0;
    int vDisplay = 0;
    int vSyncStart = 0;
    int vSyncEnd = 0;
    int vTotal = 0;
    // Xorg flag words such as "+HSync", "Interlace", "DoubleScan".
    QStringList flags = {QStringLiteral("+HSync"), QStringLiteral("+VSync")};

    // A mode of `width` × `height` whose clock is chosen for `refreshHz`
    // (interlaced modes: the field rate doubles the frame rate, as RandR
    // counts it).
    static Modeline withRefresh(const QString& name, int width, int height, double refreshHz,
                                const QStringList& extraFlags = {});

    // The rate RandR reports for this mode, interlace and double-scan
    // included.
    double refreshRate() const;

    // `Modeline "name" 148.500 1920 ...` for a Monitor section.
    QString configLine() const;

    // The arguments after `xrandr --newmode`.
    QStringList xrandrArguments() const;
};

}  // namespace corvane::testing
