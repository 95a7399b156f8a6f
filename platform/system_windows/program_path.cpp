#include "platform/system_windows/program_path.h"

#include <windows.h>

#include <vector>

namespace zelmora::platform {

std::wstring ProgramPath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return std::wstring(path.data(), length);
    path.resize(path.size() * 2);  // cut short: a long path
  }
}

}  // namespace zelmora::platform
