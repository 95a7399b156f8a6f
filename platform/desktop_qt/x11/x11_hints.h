#pragma once
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <functional>

class QWidget;

namespace zelmora::platform::qt {

// Adds _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER to the window's
// _NET_WM_STATE. Qt never sets them, and a window manager drops the state when the
// window is withdrawn, so call it before every show. No-op off X11.
void KeepOffTaskbar(QWidget& window);

// Asks the window manager to give a window it already manages (shown or
// iconified) a task-bar entry, or to take it away again. No-op off X11.
void SetTaskbarEntry(QWidget& window, bool wanted);

// Watches the owner of the tray selection, _NET_SYSTEM_TRAY_Sn of this screen:
// calls back when a tray host takes it (it announces itself with a MANAGER
// client message on the root window), and when its owner window goes (the
// host ended, or crashed). Watches from the first turn of the event loop on, so
// as not to hold up the first window. Inactive off X11.
class TrayHostWatcher final : public QAbstractNativeEventFilter {
 public:
  TrayHostWatcher(std::function<void()> onTrayHostStarted, std::function<void()> onTrayHostGone);
  ~TrayHostWatcher() override;
  TrayHostWatcher(const TrayHostWatcher&) = delete;
  TrayHostWatcher& operator=(const TrayHostWatcher&) = delete;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  void Watch();
  // Follows the selection's present owner; false when there is none.
  bool WatchOwner();

  std::function<void()> onTrayHostStarted_;
  std::function<void()> onTrayHostGone_;
  unsigned managerAtom_ = 0;
  unsigned traySelectionAtom_ = 0;
  unsigned owner_ = 0;
  QObject context_;  // takes the posted start of the watch along when it goes
};

}  // namespace zelmora::platform::qt
