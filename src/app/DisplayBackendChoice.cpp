#include "app/DisplayBackendChoice.h"

namespace corvane {

DisplayBackendChoice chooseDisplayBackend(const SessionFacts& facts) {
    if (facts.mutterOnSessionBus) {
        return DisplayBackendChoice::mutter;
    }
    if (!facts.waylandDisplay.isEmpty() ||
        facts.sessionType.compare(QStringLiteral("wayland"), Qt::CaseInsensitive) == 0) {
        return DisplayBackendChoice::unsupportedWayland;
    }
    return DisplayBackendChoice::x11;
}

}  // namespace corvane
