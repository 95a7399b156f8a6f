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

  int interval() const { return interval_; }
  bool enabled() const { return enabled_; }
  void setInterval(int intervalMs);
  void setEnabled(bool enabled);

 private:
  void restart();

  std::unique_ptr<platform::TimerBackend> backend_;
  int interval_;
  bool enabled_ = false;
};

}  // namespace zelmora
