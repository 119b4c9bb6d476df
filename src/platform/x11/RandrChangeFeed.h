#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace corvane::x11 {

// The property whose changes mark the application's own reconfiguration in
// the change monitor's event stream.
inline constexpr char kOwnChangeMarkerAtom[] = "_CORVANE_OWN_DISPLAY_CHANGE";

// What the change monitor learns from RandR's event stream, for the
// backend, which reads and switches on a connection of its own.
class RandrChangeFeed {
  public:
    virtual ~RandrChangeFeed() = default;

    // Takes in the events that have already arrived (no round trip) and
    // returns how many configuration events the stream has carried so far;
    // nullopt when the stream is broken and tells nothing.
    virtual std::optional<std::uint64_t> changeCount() = 0;

    // Outputs that lost their CRTC or their connection since the previous
    // call, whether or not they are back.
    virtual std::vector<std::uint32_t> takeDepartedOutputs() = 0;

    // A window whose kOwnChangeMarkerAtom property the backend sets right
    // before its own requests and deletes right after them, under its
    // server grab, so that exactly the events in between are known to be
    // its own; 0 when there is none.
    virtual std::uint32_t ownChangeMarkerWindow() const = 0;
};

}  // namespace corvane::x11
