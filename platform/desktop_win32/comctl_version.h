#pragma once

namespace zelmora::platform::win32 {

// The shell announces a re-created task bar with "TaskbarCreated" only from
// common controls 4.71 on. False when the version cannot be read.
bool CommonControlsAnnounceTaskbar();

}  // namespace zelmora::platform::win32
