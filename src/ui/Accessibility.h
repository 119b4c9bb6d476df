#pragma once

namespace corvane {

// Teaches Qt's accessibility layer what the panel's custom-drawn widgets
// are: buttons, switches, pull-down rows and radio groups with their
// states and actions, texts as static text, and the purely decorative
// symbols and gauges as nothing to read. Harmless to call again.
void installPanelAccessibility();

}  // namespace corvane
