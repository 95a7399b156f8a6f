#pragma once
#include <cstdint>

#include "platform/desktop.h"

namespace zelmora {

// The milliseconds a seconds box on the main window asks for: its text read by
// the integer rule (ParseInteger), times 1000 with wrapping. A text that does
// not parse, or a value below shortestMs, puts defaultSeconds back into the box,
// silently, and gives defaultSeconds * 1000.
int32_t ReadSecondsBox(platform::Control& box, int32_t shortestMs, int32_t defaultSeconds);

}  // namespace zelmora
