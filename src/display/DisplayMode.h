#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvane {

// The platform's number for a display.
using DisplayId = std::uint32_t;

// One display mode. Equality is strict; finding "the same mode again" uses
// matches(), which tolerates identifier-less modes and rounding of rates.
struct DisplayModeInfo {
    std::int32_t id = 0;  // platform mode identifier; 0 means none and never matches
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    double refreshRate = 0;  // hertz; 0 or less means the platform reported none
    std::uint32_t ioFlags = 0;

    bool operator==(const DisplayModeInfo&) const = default;

    // True when `other` is this mode found again: the same non-zero
    // identifier, or the same four sizes with rates less than 0.1 Hz apart
    // (or both without a rate).
    bool matches(const DisplayModeInfo& other) const;

    // "1512×982 · 120Hz": the size in points and the rate text.
    QString modeSummaryText() const;
};

// matches() without the identifier rule: the same four sizes and an
// equivalent rate. Two such modes are near-duplicates of each other.
bool hasSameSizeAndRate(const DisplayModeInfo& a, const DisplayModeInfo& b);

// One online display.
struct DisplayInfo {
    DisplayId id = 0;
    QString name;
    bool isMain = false;
    double backingScaleFactor = 1.0;
    std::optional<DisplayModeInfo> currentMode;
    std::vector<DisplayModeInfo> modes;

    bool operator==(const DisplayInfo&) const = default;

    // The modes that render at high density (all of them on a 2x screen).
    std::vector<DisplayModeInfo> hiDPIModes() const;

    // The modes offered to the user: the high-density ones (or every mode
    // when there are none), with the current mode appended when missing.
    std::vector<DisplayModeInfo> menuModes() const;
};

}  // namespace corvane
