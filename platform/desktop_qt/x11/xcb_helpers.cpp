#include "platform/desktop_qt/x11/xcb_helpers.h"

#include <QGuiApplication>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace zelmora::platform::qt {

xcb_connection_t* X11Connection() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

namespace {

// The atoms the desktop uses, asked for together at the first need: one wait
// for the X server at start-up instead of one for each.
constexpr std::string_view kAtomsInUse[] = {
    "MANAGER",       "_NET_FRAME_EXTENTS",       "_NET_REQUEST_FRAME_EXTENTS",
    "_NET_WM_STATE", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_SKIP_TASKBAR",
};

}  // namespace

xcb_atom_t InternAtom(xcb_connection_t* connection, std::string_view name) {
  // An atom never changes while the connection lasts (the program has one).
  static std::map<std::string, xcb_atom_t, std::less<>> known;
  if (const auto found = known.find(name); found != known.end()) return found->second;
  std::vector<std::string_view> names{name};
  if (known.empty()) names.insert(names.end(), std::begin(kAtomsInUse), std::end(kAtomsInUse));
  std::vector<xcb_intern_atom_cookie_t> cookies;
  for (const std::string_view asked : names)
    cookies.push_back(xcb_intern_atom(connection, 0, static_cast<uint16_t>(asked.size()), asked.data()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookies[i], nullptr),
                                            &std::free);
    if (reply) known.emplace(names[i], reply->atom);
  }
  const auto found = known.find(name);
  return found != known.end() ? found->second : xcb_atom_t{XCB_ATOM_NONE};
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
