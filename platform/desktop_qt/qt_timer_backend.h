#pragma once
#include <QTimer>
#include <functional>

#include "platform/desktop.h"

namespace zelmora::platform::qt {

// A repeating QTimer; start() always begins a fresh countdown.
class QtTimerBackend final : public platform::TimerBackend {
 public:
  explicit QtTimerBackend(std::function<void()> onTick);
  void Start(int intervalMs) override;
  void Stop() override;

 private:
  QTimer timer_;
  std::function<void()> onTick_;
};

}  // namespace zelmora::platform::qt
