#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "display/DisplayBackend.h"

namespace corvane {

namespace x11 {
class RandrChangeFeed;
}

// The scale factor the window system uses for the screen of one output
// (named as RandR names it, such as "DP-1"); nullopt when it knows none.
using OutputScaleLookup = std::function<std::optional<double>(const QString& outputName)>;

// The display configuration of an X server through RandR 1.3, on a
// connection of its own.
//
// Online displays are connected outputs driven by a CRTC. Identifiers come
// from the monitor's EDID (else the output name) and stay the same across
// ports and runs. Screens are listed only for monitors whose EDID names
// them. Mode identifiers and handles are RandR mode XIDs.
//
// A snapshot costs two round trips on the current resources, never a
// hardware probe: the calls that make up one snapshot share one read, and a
// call repeated on that read (the next snapshot, the mode lookup before a
// switch) reads afresh, unless the change feed has seen no event since the
// read and both connections are healthy: then the read still stands and
// costs no round trip. The hardware is probed once, at the first read, and
// again only when the current resources come back empty or when
// requestProbe() asks for it.
//
// With a change feed, switches are marked in its event stream, and outputs
// that left between two reads are reported as departed displays.
//
// When the server goes away, lists are empty and switches fail with
// kSwitchDisplayGone; nothing of it ends the process.
class X11DisplayBackend : public DisplayBackend {
  public:
    struct Options {
        QString displayName;               // empty: $DISPLAY
        OutputScaleLookup scaleForOutput;  // empty: every screen at 1.0
        // The change monitor on the same server; may be set later.
        x11::RandrChangeFeed* changeFeed = nullptr;
    };

    X11DisplayBackend();
    explicit X11DisplayBackend(Options options);
    ~X11DisplayBackend() override;

    X11DisplayBackend(const X11DisplayBackend&) = delete;
    X11DisplayBackend& operator=(const X11DisplayBackend&) = delete;

    // False when the server could not be reached, or has gone away since.
    bool isConnected() const;

    // Makes the next read ask the drivers to probe the hardware again.
    void requestProbe();

    // The change monitor on the same server, which must outlive its use
    // here; nullptr: none.
    void setChangeFeed(x11::RandrChangeFeed* feed);

    std::optional<std::vector<DisplayId>> onlineDisplays() override;
    DisplayId mainDisplay() override;
    std::optional<PlatformMode> currentMode(DisplayId display) override;
    std::vector<PlatformMode> allModes(DisplayId display) override;
    // 0 on success; otherwise the X error code or RandR status the server
    // refused with, or kSwitchDisplayGone / kSwitchModeGone.
    std::int32_t switchMode(DisplayId display, const PlatformMode& mode) override;
    std::vector<ScreenDescription> screens() override;
    std::vector<DisplayId> takeDepartedDisplays() override;
    // Stays the same while the change feed has seen no event since the
    // last read; nullopt without a feed.
    std::optional<std::uint64_t> configurationStamp() override;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace corvane
