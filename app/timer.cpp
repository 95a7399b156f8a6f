#include "app/timer.h"

#include "app/error_report.h"

namespace zelmora {

Timer::Timer(platform::Desktop& desktop, int intervalMs, bool enabled, std::function<void()> onTimer)
    : backend_(desktop.createTimer(Guarded(desktop, std::move(onTimer)))), interval_(intervalMs) {
  setEnabled(enabled);
}

void Timer::setInterval(int intervalMs) {
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  restart();
}

void Timer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  restart();
}

void Timer::restart() {
  backend_->stop();
  // A zero interval never fires; the window system would refuse it anyway.
  if (enabled_ && interval_ > 0) backend_->start(interval_);
}

}  // namespace zelmora
