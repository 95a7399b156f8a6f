#pragma once
// Qt calls into the logic from its event loop: timers, posted tasks, widget and
// tray signals. An exception leaving a slot is undefined behaviour in Qt, so
// every such entry goes through CallHandler. The logic reports its own failures;
// this is the last net.
#include <functional>

#include "platform/desktop.h"

namespace zelmora::platform::qt {

// Runs the handler; a failure that escapes it is shown by the default error
// report and the program goes on.
void CallHandler(platform::Desktop& desktop, const std::function<void()>& handler) noexcept;

}  // namespace zelmora::platform::qt
