#include "platform/codepage.h"

#include <windows.h>

#include "platform/system_windows/wide_text.h"

namespace zelmora::platform {
namespace {

constexpr UINT kGbk = 936;

std::wstring GbkToWide(std::string_view text) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(kGbk, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(kGbk, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Narrow(GbkToWide(gbk)); }

std::u16string Utf8ToUtf16(std::string_view utf8) {
  const std::wstring wide = Wide(utf8);
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace zelmora::platform
