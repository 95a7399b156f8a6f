#pragma once
#include <string>

#include "app/command_line.h"
#include "platform/desktop.h"

namespace zelmora {

// The task server the program asks: the one fixed by the build, or, in a test
// build only, the one named by ZELMORA_TEST_TASK_SERVER (a local stand-in).
std::string TaskServerHost(bool testBuild);

// The program on a desktop. When a reminder already runs there (for this user,
// on this display), that one is asked to show its main window and 0 is
// returned once it has; when it does not answer, a message box and the log say
// so and 1 is returned. Otherwise: builds the reminder with the real settings store, task-server
// exchange, start at login and log, shows it as `options` ask and runs the
// message loop until the main window closes. Returns the exit code.
int RunReminder(platform::Desktop& desktop, const std::string& taskServerHost, const StartOptions& options);

}  // namespace zelmora
