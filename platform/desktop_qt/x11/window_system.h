#pragma once

namespace zelmora::platform::qt {

// Picks the window system before the QApplication exists. The popup's
// placement, keeping the program off the task bar and the embedded page view
// all need X11. So when the user chose no Qt platform and an X server answers
// (XWayland on a Wayland session), Qt runs on X11; the page-view helper
// inherits the choice. Returns false, having said why on stderr, when no
// display answers, or only Wayland does and Qt's Wayland support is missing.
bool ChooseWindowSystem();

// What works and what does not on Wayland without X11.
const char* WaylandLimits();

}  // namespace zelmora::platform::qt
