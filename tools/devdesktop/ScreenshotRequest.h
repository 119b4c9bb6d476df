#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>

namespace corvane::devdesktop {

// What corvane-screenshot was asked to grab: the whole X screen, one
// window by its identifier, or a rectangle in screen coordinates.
struct ScreenshotRequest {
    struct WholeScreen {
        bool operator==(const WholeScreen&) const = default;
    };
    using WindowId = std::uint32_t;

    QString outputFile;
    std::variant<WholeScreen, WindowId, QRect> target;

    bool operator==(const ScreenshotRequest&) const = default;
};

struct ParsedScreenshotRequest {
    std::optional<ScreenshotRequest> request;
    QString error;  // one line when `request` is empty
};

// Reads `--output FILE [--window XID | --rect X,Y,W,H]` (the program name
// first, as in argv). A window identifier may be decimal or 0x-prefixed
// hexadecimal, as xdotool and xwininfo print them; a rectangle needs a
// positive width and height.
ParsedScreenshotRequest parseScreenshotArguments(const QStringList& arguments);

}  // namespace corvane::devdesktop
