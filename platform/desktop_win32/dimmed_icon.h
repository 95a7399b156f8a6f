#pragma once
#include <windows.h>

namespace zelmora::platform::win32 {

// A greyed, fainter copy of the icon, for a tray icon that tells something is
// wrong. The caller destroys it (DestroyIcon). Null when the icon cannot be read.
HICON DimmedCopy(HICON icon);

}  // namespace zelmora::platform::win32
