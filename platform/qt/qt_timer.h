#pragma once
#include <QTimer>
#include <functional>

#include "platform/desktop.h"

namespace zelmora::qt {

// A repeating QTimer; start() always begins a fresh countdown.
class QtTimer final : public platform::TimerBackend {
 public:
  explicit QtTimer(std::function<void()> onTick);
  void Start(int intervalMs) override;
  void Stop() override;

 private:
  QTimer timer_;
  std::function<void()> onTick_;
};

}  // namespace zelmora::qt
