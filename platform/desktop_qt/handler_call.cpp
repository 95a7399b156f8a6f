#include "platform/desktop_qt/handler_call.h"

#include <cstdio>
#include <exception>

#include "core/error_report.h"

namespace zelmora::platform::qt {

void CallHandler(platform::Desktop& desktop, const std::function<void()>& handler) noexcept {
  if (!handler) return;
  try {
    try {
      handler();
    } catch (const std::exception& failure) {
      ReportError(desktop, failure.what());
    } catch (...) {
      ReportError(desktop, "Unexpected failure");
    }
  } catch (...) {
    // The report itself failed (no memory for a message box): say it where we can.
    std::fputs("zelmora: a failure could not be reported\n", stderr);
  }
}

}  // namespace zelmora::platform::qt
