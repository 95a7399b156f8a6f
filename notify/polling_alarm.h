#pragma once
// The alarm for a user away from the screen, who never sees a grey icon: when
// polls have failed for five minutes in a row, or the server says the worker
// is not allowed (401, 403), the tray tells the user once with a desktop
// notification, and once more when polling works again. Nothing in between.
#include <chrono>
#include <optional>
#include <string>

#include "platform/desktop.h"
#include "poll/poll_news.h"

namespace zelmora {

class PollingAlarm {
 public:
  struct Notice {
    platform::TrayMessage message;
    std::string logLine;
  };

  // title heads every notification.
  explicit PollingAlarm(std::string title) : title_(std::move(title)) {}

  // Takes in the poll cycle's news; `failureShown` is the failure as the
  // tooltip shows it. Returns what to tell the user, if anything.
  std::optional<Notice> Apply(const PollNews& news, const std::string& failureShown);

 private:
  std::string title_;
  bool on_ = false;
  bool raised_ = false;
  std::optional<std::chrono::system_clock::time_point> failingSince_;
};

}  // namespace zelmora
