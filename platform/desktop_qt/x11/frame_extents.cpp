#include "platform/desktop_qt/x11/frame_extents.h"

#include <QWidget>

#include "platform/desktop_qt/x11/xcb_helpers.h"

namespace zelmora::platform::qt {

std::optional<QMargins> FrameExtents(const QWidget& window) {
  xcb_connection_t* connection = X11Connection();
  if (!connection || !window.testAttribute(Qt::WA_WState_Created)) return std::nullopt;
  const xcb_atom_t extents = InternAtom(connection, "_NET_FRAME_EXTENTS");
  if (extents == XCB_ATOM_NONE) return std::nullopt;
  const auto cookie = xcb_get_property(connection, 0, static_cast<xcb_window_t>(window.winId()), extents,
                                       XCB_ATOM_CARDINAL, 0, 4);
  XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr), &std::free);
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16) return std::nullopt;
  const auto* value = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
  // Order on the wire: left, right, top, bottom.
  return QMargins(int(value[0]), int(value[2]), int(value[1]), int(value[3]));
}

void RequestFrameExtents(const QWidget& window) {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return;
  SendToWindowManager(connection, static_cast<xcb_window_t>(window.winId()), "_NET_REQUEST_FRAME_EXTENTS");
}

}  // namespace zelmora::platform::qt
