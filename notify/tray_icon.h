#pragma once
#include <functional>
#include <memory>

#include "platform/desktop.h"

namespace zelmora {

// The notification-area icon tray1: present from the main window's creation to
// its end, minimising sends the program into it, a left click brings it back.
class TTrayIcon {
 public:
  // mainWindow must outlive the icon.
  TTrayIcon(platform::Desktop& desktop, platform::MainWindow& mainWindow);
  ~TTrayIcon();
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  bool Enabled = true;
  bool MinimizeToTray = true;
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

  bool IconVisible() const { return iconVisible_; }
  bool AddIcon();
  bool RemoveIcon();
  bool UpdateIcon();
  void SendToTray();
  void HideMainWindow();
  void RestoreMainWindow();

  // A mouse notification from the tray, by its Windows mouse message code.
  void MouseNotification(platform::TrayMouse code);
  // The click-deferral timer expired (only runs when OnDblClick is set).
  void ClickDeferralExpired();

 private:
  platform::MainWindow& mainWindow_;
  std::unique_ptr<platform::TrayIcon> icon_;
  std::unique_ptr<platform::TimerBackend> clickDeferral_;
  bool clickDeferralRunning_ = false;
  bool iconVisible_ = false;
  bool leftPressed_ = false;
  bool clickPending_ = false;
  bool doubleClickSeen_ = false;
};

}  // namespace zelmora
