#pragma once
#include <chrono>
#include <string>

#include "poll/poll_pace.h"

namespace zelmora {

// What the cycle tells about itself, on the user-interface thread.
struct PollNews {
  enum class Kind { Started, Stopped, Answered, Failed };
  Kind kind = Kind::Stopped;
  std::chrono::system_clock::time_point when;
  std::string failure;  // Failed: the failure's text
  int status = 0;       // Failed on the reply's status: that status
  // Started and the end of a poll, when the next poll waits longer than the
  // interval: why, and when it comes.
  PaceReason pace = PaceReason::Interval;
  std::chrono::system_clock::time_point nextPoll{};
};

}  // namespace zelmora
