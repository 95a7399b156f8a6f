#include "platform/desktop_win32/program_icon.h"

#include "platform/desktop_win32/resource.h"

namespace zelmora::platform::win32 {

HICON ProgramIcon(HINSTANCE instance, IconSize size) {
  const int metricX = size == IconSize::Small ? SM_CXSMICON : SM_CXICON;
  const int metricY = size == IconSize::Small ? SM_CYSMICON : SM_CYICON;
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ZELMORA_PROGRAM_ICON), IMAGE_ICON,
                                       GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED));
}

}  // namespace zelmora::platform::win32
