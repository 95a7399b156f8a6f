#include "core/seconds_box.h"

#include <string>

#include "core/integer_text.h"

namespace zelmora {

int32_t ReadSecondsBox(platform::Control& box, int32_t shortestMs, int32_t defaultSeconds) {
  if (const auto seconds = ParseInteger(box.Text())) {
    const int32_t milliseconds = WrappingTimes1000(*seconds);
    if (milliseconds >= shortestMs) return milliseconds;
  }
  box.SetText(std::to_string(defaultSeconds));
  return WrappingTimes1000(defaultSeconds);
}

}  // namespace zelmora
