#pragma once

#include "renders/SampleViews.h"

namespace corvane::testing {

using samples::display;
using samples::mode;

inline DisplayInfo displayAt(double rate, DisplayId id = 7) {
    return display(id, QStringLiteral("Studio 모니터"), mode(1, 1920, 1080, rate));
}

}  // namespace corvane::testing
