#pragma once
#include <QIcon>

namespace zelmora::platform::qt {

// The program's icon (16 and 32 pixels), used by the main window and the tray.
QIcon ProgramIcon();

}  // namespace zelmora::platform::qt
