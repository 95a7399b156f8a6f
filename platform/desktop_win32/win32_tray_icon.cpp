#include "platform/desktop_win32/win32_tray_icon.h"

#include <utility>

namespace zelmora::platform::win32 {
namespace {

bool IsMouseCode(UINT code) {
  return code >= static_cast<UINT>(TrayMouse::Move) &&
         code <= static_cast<UINT>(TrayMouse::MiddleDoubleClick);
}

}  // namespace

Win32TrayIcon::Win32TrayIcon(MessageWindow& window, HICON icon) : window_(window), icon_(icon), id_(0) {
  id_ = window_.AddTrayIcon(
      [this](UINT code) {
        if (!IsMouseCode(code) || !onMouse_) return;
        std::function<void(TrayMouse)> handler = onMouse_;
        handler(static_cast<TrayMouse>(code));
      },
      [this] {
        std::function<void()> handler = onTrayRecreated_;
        if (handler) handler();
      });
}

Win32TrayIcon::~Win32TrayIcon() {
  // The icon must not outlive the program in the tray.
  if (added_) Remove();
  window_.RemoveTrayIcon(id_);
}

NOTIFYICONDATAW Win32TrayIcon::Record() const {
  NOTIFYICONDATAW data{};  // zero-filled: an empty tooltip
  data.cbSize = sizeof data;
  data.hWnd = window_.Handle();
  data.uID = id_;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = MessageWindow::kTrayCallbackMessage;
  data.hIcon = icon_;
  return data;
}

bool Win32TrayIcon::Add() {
  NOTIFYICONDATAW data = Record();
  if (!Shell_NotifyIconW(NIM_ADD, &data)) return false;
  added_ = true;
  // Version 0: the classic notifications, the mouse message in lParam.
  data.uVersion = 0;
  Shell_NotifyIconW(NIM_SETVERSION, &data);
  return true;
}

bool Win32TrayIcon::Modify() {
  NOTIFYICONDATAW data = Record();
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool Win32TrayIcon::Remove() {
  NOTIFYICONDATAW data = Record();
  const bool removed = Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
  added_ = false;
  return removed;
}

void Win32TrayIcon::OnMouse(std::function<void(TrayMouse)> handler) { onMouse_ = std::move(handler); }

void Win32TrayIcon::OnTrayRecreated(std::function<void()> handler) { onTrayRecreated_ = std::move(handler); }

}  // namespace zelmora::platform::win32
