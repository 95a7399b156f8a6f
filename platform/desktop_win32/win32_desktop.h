#pragma once
#include <windows.h>

#include <memory>

#include "platform/desktop.h"

namespace zelmora::platform::win32 {

// The desktop on raw user32/shell32/ole32. The caller has initialised OLE on
// this thread; every window lives on it.
std::unique_ptr<Desktop> CreateWin32Desktop(HINSTANCE instance);

}  // namespace zelmora::platform::win32
