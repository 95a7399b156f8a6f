#include "platform/desktop_win32/handler_call.h"

#include <windows.h>

#include <exception>

#include "core/event_log.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform::win32 {
namespace {

std::wstring& FailureCaption() {
  static std::wstring caption;
  return caption;
}

}  // namespace

void SetHandlerFailureCaption(const std::string& caption) { FailureCaption() = Wide(caption); }

void CallHandler(const std::function<void()>& handler) noexcept {
  if (!handler) return;
  try {
    handler();
  } catch (const std::exception& failure) {
    LogEvent(std::string("error shown: ") + failure.what());
    MessageBoxW(GetActiveWindow(), Wide(failure.what()).c_str(), FailureCaption().c_str(),
                MB_OK | MB_ICONSTOP);
  } catch (...) {
    // Nothing sensible to show; the program goes on as after a reported failure.
  }
}

}  // namespace zelmora::platform::win32
