#pragma once
#include <QIcon>

namespace zelmora::platform::qt {

// The program's icon (16 and 32 pixels), used by the main window and the tray.
QIcon ProgramIcon();
// The same, greyed out as the style shows disabled icons.
QIcon DimmedProgramIcon();

}  // namespace zelmora::platform::qt
