#include "core/timer.h"

#include "core/error_report.h"

namespace zelmora {

Timer::Timer(platform::Desktop& desktop, int intervalMs, bool enabled, std::function<void()> onTimer)
    : backend_(desktop.CreateTimer(Guarded(desktop, std::move(onTimer)))), interval_(intervalMs) {
  SetEnabled(enabled);
}

void Timer::SetInterval(int intervalMs) {
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  Restart();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

void Timer::Restart() {
  backend_->Stop();
  // A zero interval never fires; the window system would refuse it anyway.
  if (enabled_ && interval_ > 0) backend_->Start(interval_);
}

}  // namespace zelmora
