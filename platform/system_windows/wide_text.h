#pragma once
// UTF-8 (the texts of the seam) to and from UTF-16 (the Windows W functions).
#include <string>
#include <string_view>

namespace zelmora::platform {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace zelmora::platform
