#pragma once
// What the tray icon tells about polling, without opening the main window:
// stopped; polling, with the time of the last answer; or failing, with the
// failure's text and since when, under a dimmed icon. A failed poll is
// otherwise invisible, since the update time moves on either way. When a busy
// server makes the next poll wait longer than the interval, it tells when the
// next poll comes and why.
#include <chrono>
#include <functional>
#include <string>

#include "platform/desktop.h"
#include "poll/poll_news.h"

namespace zelmora {

class PollStatus {
 public:
  enum class State { Stopped, Waiting, Answering, Failing };
  using TimeText = std::function<std::string(std::chrono::system_clock::time_point)>;

  // title heads the tooltip; timeText writes a time of day.
  PollStatus(std::string title, TimeText timeText);

  // Takes in the poll cycle's news. Returns the log line for a change worth
  // keeping (start, stop, the first failure and each new failure text, the
  // recovery), and an empty text for anything else, such as another answer.
  std::string Apply(const PollNews& news);

  State Current() const { return state_; }
  // The failure as the tooltip shows it (short, one line); empty unless failing.
  const std::string& Failure() const { return failure_; }
  std::string Tooltip() const;
  platform::TrayImage Image() const;

 private:
  std::string title_;
  TimeText timeText_;
  State state_ = State::Stopped;
  std::chrono::system_clock::time_point lastAnswer_;
  std::chrono::system_clock::time_point failingSince_;
  std::string failure_;
  PaceReason pace_ = PaceReason::Interval;
  std::chrono::system_clock::time_point nextPoll_;
};

}  // namespace zelmora
