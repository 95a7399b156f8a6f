#pragma once
#include <chrono>
#include <optional>
#include <string_view>

namespace zelmora::http {

// Reads a cookie "expires" date in any of the forms servers use:
// "Wed, 09 Jun 2021 10:18:14 GMT", "Wednesday, 09-Jun-21 10:18:14 GMT",
// "Wed Jun  9 10:18:14 2021". Always taken as GMT. Empty when unreadable.
// Whole seconds since the epoch, so years like 9999 do not overflow.
std::optional<std::chrono::sys_seconds> ParseCookieDate(std::string_view text);

}  // namespace zelmora::http
