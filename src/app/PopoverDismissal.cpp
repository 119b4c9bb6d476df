#include "app/PopoverDismissal.h"

namespace corvane {

DismissalDecision decideLocalMouseDown(const LocalMouseDown& press) {
    if (!press.popoverShown || press.inPopoverWindow) {
        return DismissalDecision::keepOpen;
    }
    if (press.inStatusButtonWindow && press.insideStatusButton) {
        return DismissalDecision::keepOpen;
    }
    return DismissalDecision::close;
}

DismissalDecision decideGlobalMouseDown(bool popoverShown) {
    return popoverShown ? DismissalDecision::close : DismissalDecision::keepOpen;
}

}  // namespace corvane
