#include "platform/desktop_qt/xcb_helpers.h"

#include <QGuiApplication>
#include <algorithm>
#include <map>
#include <string>

namespace zelmora::platform::qt {

xcb_connection_t* X11Connection() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t InternAtom(xcb_connection_t* connection, std::string_view name) {
  // Each asking is a round trip to the X server, and an atom never changes
  // while the connection lasts (the program has one).
  static std::map<std::string, xcb_atom_t, std::less<>> known;
  if (const auto found = known.find(name); found != known.end()) return found->second;
  const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data());
  XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
  if (!reply) return XCB_ATOM_NONE;
  known.emplace(name, reply->atom);
  return reply->atom;
}

void FlushX11() {
  if (xcb_connection_t* connection = X11Connection()) xcb_flush(connection);
}

int ScreenNumber() {
  char* host = nullptr;
  int display = 0;
  int screen = 0;
  const int parsed = xcb_parse_display(nullptr, &host, &display, &screen);
  std::free(host);
  return parsed != 0 ? screen : 0;
}

xcb_window_t RootWindow(xcb_connection_t* connection) {
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int skip = ScreenNumber(); skip > 0 && screens.rem > 1; --skip) xcb_screen_next(&screens);
  return screens.data ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

void SendToWindowManager(xcb_connection_t* connection, xcb_window_t window, std::string_view type,
                         std::array<uint32_t, 5> data) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = InternAtom(connection, type);
  if (event.type == XCB_ATOM_NONE) return;
  std::copy(data.begin(), data.end(), event.data.data32);
  xcb_send_event(connection, 0, RootWindow(connection),
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(connection);
}

}  // namespace zelmora::platform::qt
