#pragma once
#include <QTimer>
#include <functional>

#include "platform/desktop.h"

namespace zelmora::platform::qt {

// A repeating QTimer; start() always begins a fresh countdown. Precise: Qt's
// default timers may fire 5 % early or late (3 s of a 60 s poll interval).
class QtTimerBackend final : public platform::TimerBackend {
 public:
  QtTimerBackend(platform::Desktop& desktop, std::function<void()> onTick);
  void Start(int intervalMs) override;
  void Stop() override;

 private:
  platform::Desktop& desktop_;
  QTimer timer_;
  std::function<void()> onTick_;
};

}  // namespace zelmora::platform::qt
