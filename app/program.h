#pragma once
#include <string>

#include "platform/desktop.h"

namespace zelmora {

// The task server the program asks: the one fixed by the build, or, in a test
// build only, the one named by ZELMORA_TEST_TASK_SERVER (a local stand-in).
std::string TaskServerHost(bool testBuild);

// The program on a desktop: builds the reminder with the real settings store and
// task-server exchange, shows the main window and runs the message loop until
// the main window closes. Returns the exit code.
int RunReminder(platform::Desktop& desktop, const std::string& taskServerHost);

}  // namespace zelmora
