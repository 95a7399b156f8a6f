#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace zelmora {

// The notification-area icon tray1: present from the main window's creation to
// its end, minimising sends the program into it, a left click brings it back.
// Its tooltip and image tell how polling goes; a right click opens its menu.
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
  // Whether the icon sits in a tray now; false while the desktop has no tray host.
  bool InTray() const { return icon_->IsShown(); }
  // Each change updates the icon.
  void SetHint(std::string hint);
  void SetImage(platform::TrayImage image);
  // Opened by a right click (or by the desktop's own rule); an empty list: no menu.
  void SetPopupMenu(std::vector<platform::TrayMenuItem> items);
  // A desktop notification from the icon.
  void ShowMessage(const platform::TrayMessage& message) { icon_->ShowMessage(message); }

  platform::TrayIconRecord FillIconRecord() const;
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
  std::string hint_;
  platform::TrayImage image_ = platform::TrayImage::Program;
  bool hasMenu_ = false;
  bool iconVisible_ = false;
  bool leftPressed_ = false;
  bool clickPending_ = false;
  bool doubleClickSeen_ = false;
};

}  // namespace zelmora
