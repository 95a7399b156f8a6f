#pragma once
// Window procedures and COM callbacks are called from C code: no exception may
// cross them. The logic reports its own failures; this is the last net.
#include <functional>
#include <string>

namespace zelmora::platform::win32 {

// Caption of the message box shown for a failure that reaches the net.
void SetHandlerFailureCaption(const std::string& caption);

void CallHandler(const std::function<void()>& handler) noexcept;

}  // namespace zelmora::platform::win32
