#include "platform/desktop_qt/qt_tray_icon.h"

#include <QCoreApplication>

#include "platform/desktop_qt/handler_call.h"
#include "platform/desktop_qt/program_icon.h"
#include "platform/desktop_qt/xcb_helpers.h"

namespace zelmora::platform::qt {

using platform::TrayMouse;

QtTrayIcon::QtTrayIcon(platform::Desktop& desktop) : desktop_(desktop), icon_(ProgramIcon()) {
  QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_,
                   [this](QSystemTrayIcon::ActivationReason reason) { Report(reason); });
  // Closing the main window ends the loop; the popup's page view may take a
  // while to shut down after that, and the icon must not linger meanwhile.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &icon_, [this] {
    icon_.hide();
    FlushX11();
  });
  trayHostWatcher_ = std::make_unique<TrayHostWatcher>([this] {
    // Qt docks the icon on the same announcement; tell the logic afterwards.
    QMetaObject::invokeMethod(
        &icon_, [this] { CallHandler(desktop_, onTrayRecreated_); }, Qt::QueuedConnection);
  });
}

QtTrayIcon::~QtTrayIcon() = default;

bool QtTrayIcon::Add() {
  // Like the shell, the tray refuses an icon that is already there.
  const bool accepted = !icon_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
  icon_.show();
  return accepted;
}

bool QtTrayIcon::Modify() {
  icon_.setIcon(ProgramIcon());
  return icon_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::Remove() {
  const bool wasThere = icon_.isVisible();
  icon_.hide();
  return wasThere;
}

void QtTrayIcon::OnMouse(std::function<void(TrayMouse)> handler) { onMouse_ = std::move(handler); }

void QtTrayIcon::OnTrayRecreated(std::function<void()> handler) { onTrayRecreated_ = std::move(handler); }

void QtTrayIcon::Report(QSystemTrayIcon::ActivationReason reason) {
  if (!onMouse_) return;
  for (const TrayMouse code : TrayMouseCodes(reason)) CallHandler(desktop_, [&] { onMouse_(code); });
}

std::span<const TrayMouse> TrayMouseCodes(QSystemTrayIcon::ActivationReason reason) {
  static constexpr TrayMouse kLeftClick[] = {TrayMouse::LeftDown, TrayMouse::LeftUp};
  // Qt reports the first click of a double click as a Trigger of its own.
  static constexpr TrayMouse kLeftDoubleClick[] = {TrayMouse::LeftDoubleClick, TrayMouse::LeftUp};
  static constexpr TrayMouse kMiddleClick[] = {TrayMouse::MiddleDown, TrayMouse::MiddleUp};
  static constexpr TrayMouse kRightClick[] = {TrayMouse::RightDown, TrayMouse::RightUp};
  switch (reason) {
    case QSystemTrayIcon::Trigger: return kLeftClick;
    case QSystemTrayIcon::DoubleClick: return kLeftDoubleClick;
    case QSystemTrayIcon::MiddleClick: return kMiddleClick;
    case QSystemTrayIcon::Context: return kRightClick;
    case QSystemTrayIcon::Unknown: break;
  }
  return {};
}

}  // namespace zelmora::platform::qt
