#pragma once
#include <QFont>

namespace zelmora::platform::qt {

// The forms' font: "MS Sans Serif" 8 pt, i.e. 11 pixels of character height at
// 96 dpi. Linux desktops rarely have it, so narrow sans fonts stand in at the
// same pixel size; the form coordinates were laid out for that height.
QFont FormFont();

}  // namespace zelmora::platform::qt
