#include "platform/desktop_win32/comctl_version.h"

#include <windows.h>
#include <shlwapi.h>

namespace zelmora::platform::win32 {

bool CommonControlsAnnounceTaskbar() {
  HMODULE library = LoadLibraryW(L"comctl32.dll");
  if (library == nullptr) return false;
  bool recent = false;
  // GetProcAddress hands back a generic function pointer by design.
  auto getVersion =
      reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetVersion")));
  if (getVersion != nullptr) {
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (SUCCEEDED(getVersion(&info))) {
      recent = info.dwMajorVersion > 4 || (info.dwMajorVersion == 4 && info.dwMinorVersion >= 71);
    }
  }
  FreeLibrary(library);
  return recent;
}

}  // namespace zelmora::platform::win32
