#pragma once
#include <string>
#include <string_view>

namespace zelmora::http {

// ASCII-only helpers: header names, schemes and cookie attributes are ASCII,
// and bytes above 0x7F (GBK) must pass through untouched.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string LowerAscii(std::string_view text);
// Drops spaces, tabs, CR and LF at both ends.
std::string_view Trim(std::string_view text);
std::string_view TrimRight(std::string_view text);

}  // namespace zelmora::http
