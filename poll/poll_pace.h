#pragma once
// How long the cycle waits before the next poll. A server that answers
// 429 Too Many Requests or 503 Service Unavailable is asked again no sooner than
// its Retry-After says (at most an hour later); without a Retry-After, each such
// reply in a row doubles the wait, up to ten intervals, a little less at random
// so that many reminders turned away together do not all come back together.
// The first poll that is answered returns to the interval; other failures keep
// it. No wait is ever shorter than the user's interval.
#include <chrono>
#include <optional>
#include <random>
#include <string_view>

namespace zelmora {

enum class PaceReason {
  Interval,     // the user's interval
  ServerAsked,  // the wait a Retry-After asked for
  BackOff,      // busy replies one after another, without Retry-After
};

struct PollWait {
  std::chrono::milliseconds length{0};
  PaceReason reason = PaceReason::Interval;
};

class PollPace {
 public:
  PollPace();

  PollWait Answered(std::chrono::milliseconds interval);
  // status: the failing reply's status, 0 when the poll failed before one came.
  PollWait Failed(int status, std::string_view retryAfter, std::chrono::system_clock::time_point now,
                  std::chrono::milliseconds interval);

 private:
  int busyReplies_ = 0;  // 429 and 503 replies since the last answer
  std::minstd_rand random_;
};

// A Retry-After value as the wait it asks for from `now`: delay seconds, or an
// HTTP date (a date gone by asks for no wait). Empty when it is neither.
std::optional<std::chrono::seconds> RetryAfterWait(std::string_view value,
                                                   std::chrono::system_clock::time_point now);

}  // namespace zelmora
