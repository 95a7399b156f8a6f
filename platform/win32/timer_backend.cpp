#include "platform/win32/timer_backend.h"

#include <utility>

#include "platform/error.h"

namespace zelmora::platform::win32 {

Win32TimerBackend::Win32TimerBackend(MessageWindow& window, std::function<void()> onTick)
    : window_(window), id_(window.addTimer(std::move(onTick))) {}

Win32TimerBackend::~Win32TimerBackend() { window_.removeTimer(id_); }

void Win32TimerBackend::start(int intervalMs) {
  if (SetTimer(window_.handle(), id_, static_cast<UINT>(intervalMs), nullptr) == 0) {
    throw Error("Not enough timers available");
  }
}

void Win32TimerBackend::stop() { KillTimer(window_.handle(), id_); }

}  // namespace zelmora::platform::win32
