#pragma once
// What the stand-in publishes: a task id and an announcement that each go up
// by one at their own pace, counted from the server's start. Both start at 1,
// so the first poll after Start always sees a new task and an announcement.

#include <chrono>
#include <cstdint>
#include <string>

namespace zelmora::taskserver {

struct FeedState {
  std::int32_t taskId = 1;
  std::int32_t noteId = 1;
};

class TaskFeed {
 public:
  using Clock = std::chrono::steady_clock;

  TaskFeed(double taskEverySeconds, double noteEverySeconds, Clock::time_point start = Clock::now());
  FeedState StateAt(Clock::time_point when) const;

 private:
  double taskEverySeconds_;
  double noteEverySeconds_;
  Clock::time_point start_;
};

// The announcement with this id, in GBK as the server sends it.
std::string AnnouncementGbk(std::int32_t noteId);

}  // namespace zelmora::taskserver
