#pragma once
// Window procedures and COM callbacks are called from C code: no exception may
// cross them. The logic reports its own failures; this is the last net.
#include <functional>

#include "platform/desktop.h"

namespace zelmora::platform::win32 {

// The desktop whose error report shows what reaches the net (its caption is the
// application's title); none before the desktop is made or after it is gone.
void SetHandlerFailureDesktop(Desktop* desktop);
void ForgetHandlerFailureDesktop(const Desktop* desktop);

// Runs the handler; a failure that escapes it is shown by the default error
// report and the program goes on.
void CallHandler(const std::function<void()>& handler) noexcept;

}  // namespace zelmora::platform::win32
