#pragma once
#include <QIcon>

namespace zelmora::qt {

// The program's icon (16 and 32 pixels), used by the main window and the tray.
QIcon ProgramIcon();

}  // namespace zelmora::qt
