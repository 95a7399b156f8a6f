#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <vector>

#include "platform/desktop.h"
#include "platform/desktop_win32/message_window.h"

namespace zelmora::platform::win32 {

// One notification-area icon: the program's image (or a dimmed copy), a
// tooltip, the classic (version 0) notifications through the message window,
// and a popup menu opened on request.
class Win32TrayIcon final : public TrayIcon {
 public:
  Win32TrayIcon(MessageWindow& window, HICON icon);
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

 private:
  NOTIFYICONDATAW Record(const TrayIconRecord& record) const;

  MessageWindow& window_;
  HICON icon_;
  HICON dimmedIcon_;
  UINT id_;
  bool added_ = false;
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
