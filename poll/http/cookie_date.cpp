#include "poll/http/cookie_date.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "core/ascii_text.h"
#include "poll/http/http_limits.h"

namespace zelmora::http {
namespace {

// Digits only; a number too long for an int reads as the largest int.
std::optional<int> Number(std::string_view text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return ParseWholeNumber<int>(text).value_or(std::numeric_limits<int>::max());
}

std::optional<unsigned> MonthNumber(std::string_view token) {
  static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                               "jul", "aug", "sep", "oct", "nov", "dec"};
  if (token.size() < 3) return std::nullopt;
  for (unsigned i = 0; i < kMonths.size(); ++i) {
    if (EqualsIgnoringAsciiCase(token.substr(0, 3), kMonths[i])) return i + 1;
  }
  return std::nullopt;
}

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  while (!text.empty()) {
    const auto start = text.find_first_not_of(" \t,-");
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    const auto end = text.find_first_of(" \t,-");
    tokens.push_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
  }
  return tokens;
}

}  // namespace

std::optional<std::chrono::sys_seconds> ParseCookieDate(std::string_view text) {
  std::optional<int> day, year, hours, minutes, seconds;
  std::optional<unsigned> month;
  for (const auto token : Tokens(text)) {
    if (token.find(':') != std::string_view::npos) {
      if (token.size() != 8 || token[2] != ':' || token[5] != ':') return std::nullopt;
      hours = Number(token.substr(0, 2));
      minutes = Number(token.substr(3, 2));
      seconds = Number(token.substr(6, 2));
    } else if (const auto number = Number(token)) {
      if (!day && token.size() <= 2) {
        day = number;
      } else if (!year) {
        // Two-digit years as browsers read them: 70..99 are 19xx, the rest 20xx.
        year = token.size() <= 2 ? (*number >= 70 ? 1900 + *number : 2000 + *number) : *number;
      }
    } else if (!month) {
      month = MonthNumber(token);  // weekday and zone names match no month
    }
  }
  if (!day || !month || !year || !hours || !minutes || !seconds) return std::nullopt;
  if (*hours > 23 || *minutes > 59 || *seconds > 60) return std::nullopt;
  using namespace std::chrono;
  if (*year > kLatestCookieYear) {
    return sys_days{std::chrono::year{kLatestCookieYear} / December / 31} + std::chrono::hours{23} +
           std::chrono::minutes{59} + std::chrono::seconds{59};
  }
  const year_month_day date{std::chrono::year{*year}, std::chrono::month{*month},
                            std::chrono::day{static_cast<unsigned>(*day)}};
  if (!date.ok()) return std::nullopt;
  return sys_days{date} + std::chrono::hours{*hours} + std::chrono::minutes{*minutes} +
         std::chrono::seconds{*seconds};
}

}  // namespace zelmora::http
