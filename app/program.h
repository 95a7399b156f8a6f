#pragma once
#include "platform/desktop.h"

namespace zelmora {

// The program on a desktop: creates the main window and the notification window,
// runs the message loop until the main window closes, and returns the exit code.
int RunReminder(platform::Desktop& desktop);

}  // namespace zelmora
