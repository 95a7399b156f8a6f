#pragma once
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <span>

#include "platform/desktop.h"
#include "platform/desktop_qt/x11_hints.h"

namespace zelmora::platform::qt {

// The program's icon in the tray, without tooltip or menu. Qt reports clicks as
// activation reasons; each is handed on as the press and release codes the tray
// logic expects. Qt docks the icon again by itself when a tray host appears; the
// logic hears of it through onTrayRecreated. The icon leaves the tray as soon
// as the event loop ends, before anything else is torn down.

// The window-system mouse codes one activation stands for, in order.
std::span<const platform::TrayMouse> TrayMouseCodes(QSystemTrayIcon::ActivationReason reason);

class QtTrayIcon final : public platform::TrayIcon {
 public:
  explicit QtTrayIcon(platform::Desktop& desktop);
  ~QtTrayIcon() override;

  bool Add() override;
  bool Modify() override;
  bool Remove() override;
  void OnMouse(std::function<void(platform::TrayMouse)> handler) override;
  void OnTrayRecreated(std::function<void()> handler) override;

 private:
  void Report(QSystemTrayIcon::ActivationReason reason);

  platform::Desktop& desktop_;
  QSystemTrayIcon icon_;
  std::function<void(platform::TrayMouse)> onMouse_;
  std::function<void()> onTrayRecreated_;
  std::unique_ptr<TrayHostWatcher> trayHostWatcher_;
};

}  // namespace zelmora::platform::qt
