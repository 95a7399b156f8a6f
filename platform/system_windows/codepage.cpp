#include "platform/codepage.h"

#include <windows.h>

#include "core/error.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform {
namespace {

constexpr UINT kGbk = 936;

// Without MB_ERR_INVALID_CHARS the system puts the code page's default
// character for a bad byte; the Linux build gives U+FFFD, and so must this.
std::wstring GbkToWide(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length > 0) {
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
    return wide;
  }
  if (GetLastError() != ERROR_NO_UNICODE_TRANSLATION) {
    throw Error("This system cannot convert GBK text (code page 936 is missing)");
  }
  // Some bytes are bad: character by character, each byte that starts no
  // character becoming U+FFFD and the next byte standing on its own.
  std::wstring wide;
  for (size_t i = 0; i < text.size();) {
    const bool lead = IsDBCSLeadByteEx(kGbk, static_cast<BYTE>(text[i])) && i + 1 < text.size();
    const int unit = lead ? 2 : 1;
    wchar_t character[2];
    const int got = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text.data() + i, unit, character, 2);
    if (got > 0) {
      wide.append(character, static_cast<size_t>(got));
      i += static_cast<size_t>(unit);
    } else {
      wide += L'\xFFFD';
      ++i;
    }
  }
  return wide;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Narrow(GbkToWide(gbk)); }

std::u16string Utf8ToUtf16(std::string_view utf8) {
  const std::wstring wide = Wide(utf8);
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace zelmora::platform
