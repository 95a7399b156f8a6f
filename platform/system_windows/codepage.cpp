#include "platform/codepage.h"

#include <windows.h>

namespace zelmora::platform {
namespace {

constexpr UINT kGbk = 936;

std::wstring ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  std::wstring wide = ToWide(gbk, kGbk);
  if (wide.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                      nullptr);
  return utf8;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::wstring wide = ToWide(utf8, CP_UTF8);
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace zelmora::platform
