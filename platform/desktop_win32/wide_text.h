#pragma once
// UTF-8 (the seam's texts) to and from UTF-16 (the W functions).
#include <string>
#include <string_view>

namespace zelmora::platform::win32 {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace zelmora::platform::win32
