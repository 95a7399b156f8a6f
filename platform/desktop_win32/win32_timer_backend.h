#pragma once
#include <windows.h>

#include <functional>

#include "platform/desktop.h"
#include "platform/desktop_win32/message_window.h"

namespace zelmora::platform::win32 {

// SetTimer on the message window; SetTimer with a running timer's id restarts its countdown.
class Win32TimerBackend final : public TimerBackend {
 public:
  Win32TimerBackend(MessageWindow& window, std::function<void()> onTick);
  ~Win32TimerBackend() override;
  void Start(int intervalMs) override;
  void Stop() override;

 private:
  MessageWindow& window_;
  UINT_PTR id_;
};

}  // namespace zelmora::platform::win32
