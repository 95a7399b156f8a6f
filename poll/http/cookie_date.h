#pragma once
#include <chrono>
#include <optional>
#include <string_view>

namespace zelmora::http {

// Reads a cookie "expires" date in any of the forms servers use:
// "Wed, 09 Jun 2021 10:18:14 GMT", "Wednesday, 09-Jun-21 10:18:14 GMT",
// "Wed Jun  9 10:18:14 2021". Always taken as GMT. Empty when unreadable.
// Whole seconds since the epoch; a year past 9999 reads as the last second of
// 9999, so a far-future date never wraps into the past.
std::optional<std::chrono::sys_seconds> ParseCookieDate(std::string_view text);

}  // namespace zelmora::http
