#pragma once
#include <windows.h>

namespace zelmora::platform::win32 {

enum class IconSize { Small, Large };

// The program's icon from the executable's resources (shared, never destroyed).
HICON ProgramIcon(HINSTANCE instance, IconSize size);

}  // namespace zelmora::platform::win32
