#pragma once
#include <functional>
#include <memory>

#include "platform/desktop.h"

namespace zelmora {

// A window-system timer on the user-interface thread with the semantics the
// handlers rely on: setting the interval it already has, or enabling an enabled
// timer, changes nothing, so a running countdown goes on; a new interval while
// enabled, or enabling a disabled timer, starts a fresh countdown. A failure that
// escapes the handler is reported and the timer goes on.
class Timer {
 public:
  Timer(platform::Desktop& desktop, int intervalMs, bool enabled, std::function<void()> onTimer);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  int Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  void SetInterval(int intervalMs);
  void SetEnabled(bool enabled);

 private:
  void Restart();

  std::unique_ptr<platform::TimerBackend> backend_;
  int interval_;
  bool enabled_ = false;
};

}  // namespace zelmora
