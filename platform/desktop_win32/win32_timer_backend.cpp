#include "platform/desktop_win32/win32_timer_backend.h"

#include <utility>

#include "core/error.h"

namespace zelmora::platform::win32 {

Win32TimerBackend::Win32TimerBackend(MessageWindow& window, std::function<void()> onTick)
    : window_(window), id_(window.AddTimer(std::move(onTick))) {}

Win32TimerBackend::~Win32TimerBackend() { window_.RemoveTimer(id_); }

void Win32TimerBackend::Start(int intervalMs) {
  if (SetTimer(window_.Handle(), id_, static_cast<UINT>(intervalMs), nullptr) == 0) {
    throw Error("Not enough timers available");
  }
}

void Win32TimerBackend::Stop() { KillTimer(window_.Handle(), id_); }

}  // namespace zelmora::platform::win32
