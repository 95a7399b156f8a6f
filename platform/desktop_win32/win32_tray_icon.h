#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>

#include "platform/desktop.h"
#include "platform/desktop_win32/message_window.h"

namespace zelmora::platform::win32 {

// One notification-area icon: the program's image, no tooltip, the classic
// (version 0) notifications through the message window.
class Win32TrayIcon final : public TrayIcon {
 public:
  Win32TrayIcon(MessageWindow& window, HICON icon);
  ~Win32TrayIcon() override;

  bool Add() override;
  bool Modify() override;
  bool Remove() override;
  void OnMouse(std::function<void(TrayMouse)> handler) override;
  void OnTrayRecreated(std::function<void()> handler) override;

 private:
  NOTIFYICONDATAW Record() const;

  MessageWindow& window_;
  HICON icon_;
  UINT id_;
  bool added_ = false;
  std::function<void(TrayMouse)> onMouse_;
  std::function<void()> onTrayRecreated_;
};

}  // namespace zelmora::platform::win32
