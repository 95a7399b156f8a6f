#include "platform/desktop_win32/com_error.h"

#include <cstdio>
#include <string_view>

#include "platform/system_windows/wide_text.h"

namespace zelmora::platform::win32 {

std::string ErrorText(HRESULT result) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring_view text(buffer != nullptr ? buffer : L"", length);
  // The system ends its texts with a line break.
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  std::string narrow = Narrow(text);
  LocalFree(buffer);
  if (narrow.empty()) {
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "OLE error %08lX", static_cast<unsigned long>(result));
    narrow = fallback;
  }
  return narrow;
}

}  // namespace zelmora::platform::win32
