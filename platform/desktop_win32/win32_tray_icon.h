#pragma once
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "platform/desktop.h"
#include "platform/desktop_win32/message_window.h"
#include "platform/desktop_win32/win32_timer_backend.h"

namespace zelmora::platform::win32 {

// Shell_NotifyIconW, or a stand-in for the tests.
using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;

// One notification-area icon: the program's image (or a dimmed copy), a
// tooltip, the classic (version 0) notifications through the message window,
// and a popup menu opened on request.
//
// At login the shell may refuse the icon because it is not ready yet: a
// refused add is tried again every few seconds for a minute, and afresh when
// the task bar announces itself ("TaskbarCreated").
class Win32TrayIcon final : public TrayIcon {
 public:
  Win32TrayIcon(MessageWindow& window, HICON icon, ShellNotify notify = Shell_NotifyIconW);
  ~Win32TrayIcon() override;

  bool Add(const TrayIconRecord& record) override;
  bool Modify(const TrayIconRecord& record) override;
  bool Remove() override;
  bool IsShown() const override { return added_; }
  void SetMenu(std::vector<TrayMenuItem> items) override { items_ = std::move(items); }
  void PopUpMenu() override;
  void ShowMessage(const TrayMessage& message) override;
  void OnMouse(std::function<void(TrayMouse)> handler) override;
  void OnTrayRecreated(std::function<void()> handler) override;
  // The shell says nothing when it dies; its successor announces itself.
  void OnTrayLost(std::function<void()>) override {}

  // Told when the shell refuses the icon and when it takes it after all,
  // so that the program can stay reachable without it.
  void OnShownChanged(std::function<void(bool shown)> handler) { onShownChanged_ = std::move(handler); }

 private:
  NOTIFYICONDATAW Record(const TrayIconRecord& record) const;
  bool Shell(DWORD message, const TrayIconRecord& record);
  bool HeldAfterAll(const TrayIconRecord& record);
  void Added();
  void Refused(const TrayIconRecord& record);
  void TryAgain();
  void StopTrying();
  void ReportShown(bool shown);

  MessageWindow& window_;
  HICON icon_;
  HICON dimmedIcon_;
  ShellNotify notify_;
  UINT id_;
  bool added_ = false;
  // While the shell refuses the icon: what to add, and until when to try.
  std::optional<TrayIconRecord> refused_;
  std::chrono::steady_clock::time_point tryUntil_;
  Win32TimerBackend retry_;
  bool missingReported_ = false;
  std::function<void(bool)> onShownChanged_;
  std::vector<TrayMenuItem> items_;
  std::function<void(TrayMouse)> onMouse_;
  std::function<void()> onTrayRecreated_;
};

// A text as a field of the icon record takes it: within `room` UTF-16 units,
// the terminating zero included, never half a character.
std::wstring ShellText(const std::string& text, std::size_t room);
// The tooltip: at most 127 UTF-16 units.
std::wstring TrayTip(const std::string& tip);

}  // namespace zelmora::platform::win32
