#include "platform/desktop_qt/x11/x11_hints.h"

#include <QCoreApplication>
#include <QWidget>
#include <string>

#include "platform/desktop_qt/x11/xcb_helpers.h"

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

namespace {

// Adds `mask` to the events this connection selects on `window`, keeping
// those Qt selects there already.
void SelectEvents(xcb_connection_t* connection, xcb_window_t window, uint32_t mask) {
  XcbReply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr),
      &std::free);
  if (!attributes) return;  // gone already
  const uint32_t events = attributes->your_event_mask | mask;
  xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &events);
}

xcb_window_t SelectionOwner(xcb_connection_t* connection, xcb_atom_t selection) {
  XcbReply<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr),
      &std::free);
  return owner ? owner->owner : xcb_window_t{XCB_WINDOW_NONE};
}

}  // namespace

TrayHostWatcher::TrayHostWatcher(std::function<void()> onTrayHostStarted,
                                 std::function<void()> onTrayHostGone)
    : onTrayHostStarted_(std::move(onTrayHostStarted)), onTrayHostGone_(std::move(onTrayHostGone)) {
  QMetaObject::invokeMethod(
      &context_, [this] { Watch(); }, Qt::QueuedConnection);
}

void TrayHostWatcher::Watch() {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return;
  managerAtom_ = InternAtom(connection, "MANAGER");
  traySelectionAtom_ = InternAtom(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(ScreenNumber()));
  // The MANAGER announcement goes to the root window with StructureNotify.
  SelectEvents(connection, RootWindow(connection), XCB_EVENT_MASK_STRUCTURE_NOTIFY);
  WatchOwner();
  xcb_flush(connection);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

TrayHostWatcher::~TrayHostWatcher() {
  if (auto* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool TrayHostWatcher::WatchOwner() {
  xcb_connection_t* connection = X11Connection();
  owner_ = XCB_WINDOW_NONE;
  if (!connection || traySelectionAtom_ == XCB_ATOM_NONE) return false;
  const xcb_window_t owner = SelectionOwner(connection, traySelectionAtom_);
  if (owner == XCB_WINDOW_NONE) return false;
  // Its DestroyNotify says the host has gone. Asked again after selecting: an
  // owner that went in between would never tell.
  SelectEvents(connection, owner, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
  if (SelectionOwner(connection, traySelectionAtom_) != owner) return WatchOwner();
  owner_ = owner;
  return true;
}

bool TrayHostWatcher::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || managerAtom_ == XCB_ATOM_NONE) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
      const auto* client = static_cast<const xcb_client_message_event_t*>(message);
      if (client->type == managerAtom_ && client->format == 32 &&
          client->data.data32[1] == traySelectionAtom_) {
        WatchOwner();
        onTrayHostStarted_();
      }
      break;
    }
    case XCB_DESTROY_NOTIFY: {
      const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
      if (owner_ != XCB_WINDOW_NONE && destroyed->window == owner_ && !WatchOwner()) onTrayHostGone_();
      break;
    }
    default: break;
  }
  return false;  // Qt's own tray code needs these events too
}

}  // namespace zelmora::platform::qt
