#pragma once

namespace corvane {

// What a mouse press means for an open popover. Kept free of any window
// system so the rules can be checked on their own.
enum class DismissalDecision {
    keepOpen,  // the press belongs to the popover or to the status button
    close,
};

// A press delivered to one of this application's own windows.
struct LocalMouseDown {
    bool popoverShown = false;
    bool inPopoverWindow = false;       // the window that shows the popover's content
    bool inStatusButtonWindow = false;  // the window that holds the status button
    bool insideStatusButton = false;    // within the button's frame in that window
};

// A press inside the popover stays there; a press on the status button is
// left to the button, whose own action toggles the popover; any other press
// (any button) closes an open popover.
DismissalDecision decideLocalMouseDown(const LocalMouseDown& press);

// A press in another application's window closes the popover while it is
// shown.
DismissalDecision decideGlobalMouseDown(bool popoverShown);

}  // namespace corvane
