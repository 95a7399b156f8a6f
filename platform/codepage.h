#pragma once
// Conversions at the edges: the task server speaks GBK (code page 936), the
// seam speaks UTF-8, and the page view takes UTF-16.
#include <string>
#include <string_view>

namespace zelmora::platform {

// Invalid or truncated sequences become U+FFFD, one for each byte that cannot
// start a character; byte 0x80 is the euro sign, as in code page 936. Throws
// Error when the system has no converter: nothing is dropped silently.
std::string GbkToUtf8(std::string_view gbk);
std::u16string Utf8ToUtf16(std::string_view utf8);

}  // namespace zelmora::platform
