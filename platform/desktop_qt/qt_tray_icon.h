#pragma once
#include <QMenu>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/desktop.h"
#include "platform/desktop_qt/x11/x11_hints.h"

namespace zelmora::platform::qt {

// The window-system mouse codes one activation stands for, in order.
std::span<const platform::TrayMouse> TrayMouseCodes(QSystemTrayIcon::ActivationReason reason);

// The program's icon in the tray. Qt reports clicks as activation reasons; each
// is handed on as the press and release codes the tray logic expects. The menu
// is Qt's context menu, opened by Qt or the tray host by their own rule. Qt
// docks the icon again by itself when a tray host appears; the logic hears of
// it through OnTrayRecreated, and of a tray host that went away through
// OnTrayLost. The icon leaves the tray as soon as the event
// loop ends, before anything else is torn down.
class QtTrayIcon final : public platform::TrayIcon {
 public:
  explicit QtTrayIcon(platform::Desktop& desktop);
  ~QtTrayIcon() override;

  bool Add(const platform::TrayIconRecord& record) override;
  bool Modify(const platform::TrayIconRecord& record) override;
  bool Remove() override;
  bool IsShown() const override;
  void SetMenu(std::vector<platform::TrayMenuItem> items) override;
  void PopUpMenu() override {}  // Qt, or the tray host, opens it
  void ShowMessage(const platform::TrayMessage& message) override;
  void OnMouse(std::function<void(platform::TrayMouse)> handler) override;
  void OnTrayRecreated(std::function<void()> handler) override;
  void OnTrayLost(std::function<void()> handler) override;

 private:
  void Report(QSystemTrayIcon::ActivationReason reason);
  void Fill(const platform::TrayIconRecord& record);
  void RefreshMenu();

  platform::Desktop& desktop_;
  QSystemTrayIcon icon_;
  platform::TrayImage image_ = platform::TrayImage::Program;  // the one icon_ shows
  std::unique_ptr<QMenu> menu_;
  std::vector<platform::TrayMenuItem> items_;
  std::function<void(platform::TrayMouse)> onMouse_;
  std::function<void()> onTrayRecreated_;
  std::function<void()> onTrayLost_;
  std::unique_ptr<TrayHostWatcher> trayHostWatcher_;
};

}  // namespace zelmora::platform::qt
