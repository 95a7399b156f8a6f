#include "platform/desktop_win32/handler_call.h"

#include <exception>

#include "core/error_report.h"
#include "core/event_log.h"

namespace zelmora::platform::win32 {
namespace {

// User-interface thread only, as the handlers are.
Desktop* failureDesktop = nullptr;

void Report(const char* text) {
  if (failureDesktop != nullptr) {
    ReportError(*failureDesktop, text);
  } else {
    LogEvent("error not shown, no desktop to show it on: " + ErrorReportText(text));
  }
}

}  // namespace

void SetHandlerFailureDesktop(Desktop* desktop) { failureDesktop = desktop; }

void ForgetHandlerFailureDesktop(const Desktop* desktop) {
  if (failureDesktop == desktop) failureDesktop = nullptr;
}

void CallHandler(const std::function<void()>& handler) noexcept {
  if (!handler) return;
  try {
    try {
      handler();
    } catch (const std::exception& failure) {
      Report(failure.what());
    } catch (...) {
      Report("Unexpected failure");
    }
  } catch (...) {
    // The report itself failed (no memory for a message box); the program goes on.
  }
}

}  // namespace zelmora::platform::win32
