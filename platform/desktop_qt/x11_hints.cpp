#include "platform/desktop_qt/x11_hints.h"

#include <QCoreApplication>
#include <QWidget>

#include "platform/desktop_qt/xcb_helpers.h"

namespace zelmora::platform::qt {

void KeepOffTaskbar(QWidget& window) {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return;
  const auto id = static_cast<xcb_window_t>(window.winId());  // creates the native window
  const xcb_atom_t netWmState = InternAtom(connection, "_NET_WM_STATE");
  const xcb_atom_t states[] = {InternAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                               InternAtom(connection, "_NET_WM_STATE_SKIP_PAGER")};
  if (netWmState == XCB_ATOM_NONE || states[0] == XCB_ATOM_NONE || states[1] == XCB_ATOM_NONE) return;
  xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, netWmState, XCB_ATOM_ATOM, 32, std::size(states),
                      states);
  xcb_flush(connection);
}

void SetTaskbarEntry(QWidget& window, bool wanted) {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return;
  constexpr uint32_t kRemove = 0;
  constexpr uint32_t kAdd = 1;
  constexpr uint32_t kFromAnApplication = 1;
  SendToWindowManager(connection, static_cast<xcb_window_t>(window.winId()), "_NET_WM_STATE",
                      {wanted ? kRemove : kAdd, InternAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                       InternAtom(connection, "_NET_WM_STATE_SKIP_PAGER"), kFromAnApplication, 0});
}

TrayHostWatcher::TrayHostWatcher(std::function<void()> onTrayHostStarted)
    : onTrayHostStarted_(std::move(onTrayHostStarted)) {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return;
  managerAtom_ = InternAtom(connection, "MANAGER");
  traySelectionAtom_ = InternAtom(connection, "_NET_SYSTEM_TRAY_S0");
  // The MANAGER announcement goes to the root window with StructureNotify; keep
  // whatever Qt already selects there and add that mask.
  const xcb_window_t root = RootWindow(connection);
  XcbReply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root), nullptr),
      &std::free);
  const uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(connection);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

TrayHostWatcher::~TrayHostWatcher() {
  if (auto* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool TrayHostWatcher::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || managerAtom_ == XCB_ATOM_NONE) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
  const auto* client = static_cast<const xcb_client_message_event_t*>(message);
  if (client->type == managerAtom_ && client->format == 32 && client->data.data32[1] == traySelectionAtom_) {
    onTrayHostStarted_();
  }
  return false;  // Qt's own tray code needs the announcement too
}

}  // namespace zelmora::platform::qt
