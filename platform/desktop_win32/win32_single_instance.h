#pragma once
// One reminder per user session on Windows: a named mutex in the session's
// namespace. A second start finds it taken and posts a registered message to
// all top-level windows; the running reminder's message window answers it by
// showing the main window. The installer and the uninstaller post another
// registered message the same way, which asks the reminder to end. The system
// drops the mutex with its last handle, so a reminder that crashed never
// blocks the next start.
#include <memory>

#include "platform/desktop.h"
#include "platform/desktop_win32/message_window.h"

namespace zelmora::platform::win32 {

std::unique_ptr<InstanceClaim> ClaimWin32Instance(MessageWindow& window);

}  // namespace zelmora::platform::win32
