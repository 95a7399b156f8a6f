#include "poll/poll_pace.h"

#include <algorithm>
#include <limits>

#include "core/ascii_text.h"
#include "poll/http/cookie_date.h"

namespace zelmora {
namespace {

using std::chrono::milliseconds;

// However long a server asks for, it is asked again within the hour: a wait of
// days would look like a reminder that stopped.
constexpr std::chrono::seconds kLongestServerWait = std::chrono::hours(1);
constexpr int kLongestBackOffIntervals = 10;
// The random part of a back-off: up to a tenth of it is taken off.
constexpr double kBackOffJitter = 0.1;
// What the poll timer can count.
constexpr milliseconds kLongestTimerWait{std::numeric_limits<int>::max()};

bool AsksToSlowDown(int status) { return status == 429 || status == 503; }

}  // namespace

PollPace::PollPace() : random_(std::random_device{}()) {}

PollWait PollPace::Answered(milliseconds interval) {
  busyReplies_ = 0;
  return {interval, PaceReason::Interval};
}

PollWait PollPace::Failed(int status, std::string_view retryAfter, std::chrono::system_clock::time_point now,
                          milliseconds interval) {
  if (!AsksToSlowDown(status)) return {interval, PaceReason::Interval};
  busyReplies_ = std::min(busyReplies_ + 1, kLongestBackOffIntervals);

  if (const auto asked = RetryAfterWait(retryAfter, now)) {
    return {std::max<milliseconds>(std::min<milliseconds>(*asked, kLongestServerWait), interval),
            PaceReason::ServerAsked};
  }
  // Twice the interval after the first busy reply, four times after the second, ...
  const milliseconds longest = std::min(interval * kLongestBackOffIntervals, kLongestTimerWait);
  milliseconds wait = interval;
  for (int i = 0; i < busyReplies_ && wait < longest; ++i) wait = std::min(wait * 2, longest);
  std::uniform_real_distribution<double> jitter(0.0, kBackOffJitter);
  wait -= std::chrono::duration_cast<milliseconds>(wait * jitter(random_));
  return {std::max(wait, interval), PaceReason::BackOff};
}

std::optional<std::chrono::seconds> RetryAfterWait(std::string_view value,
                                                   std::chrono::system_clock::time_point now) {
  value = Trim(value);
  if (value.empty()) return std::nullopt;
  if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    // Too many digits for a number is still a very long wait.
    const auto seconds = ParseWholeNumber<long long>(value).value_or(std::numeric_limits<long long>::max());
    return std::chrono::seconds(std::min<long long>(seconds, kLongestServerWait.count() + 1));
  }
  // The HTTP date forms are those of a cookie's expiry date.
  const auto date = http::ParseCookieDate(value);
  if (!date) return std::nullopt;
  const auto wait = std::chrono::ceil<std::chrono::seconds>(*date - now);
  return std::clamp(wait, std::chrono::seconds(0), kLongestServerWait + std::chrono::seconds(1));
}

}  // namespace zelmora
