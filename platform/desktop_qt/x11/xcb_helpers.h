#pragma once
// The few raw X11 calls the Qt desktop needs beyond Qt: its xcb connection,
// atoms by name, the root window, and replies that free themselves.
#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace zelmora::platform::qt {

template <typename Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

// The application's X connection; null off X11 (Wayland, offscreen).
xcb_connection_t* X11Connection();
// XCB_ATOM_NONE when the server does not answer.
xcb_atom_t InternAtom(xcb_connection_t* connection, std::string_view name);
// The screen of the display Qt shows on (the n of DISPLAY=:d.n), and its root window.
int ScreenNumber();
xcb_window_t RootWindow(xcb_connection_t* connection);

// Asks the window manager something about a window: a 32-bit client message of
// the named type to the root window, as the window-manager hints prescribe. Sends
// nothing when the server does not know the type.
void SendToWindowManager(xcb_connection_t* connection, xcb_window_t window, std::string_view type,
                         std::array<uint32_t, 5> data = {});
// Sends what Qt has queued for the X server now, for when the event loop will
// not run again soon. No-op off X11.
void FlushX11();

}  // namespace zelmora::platform::qt
