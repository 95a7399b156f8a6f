#pragma once
#include <windows.h>

namespace zelmora::platform::win32 {

// The window procedure of a window that a C++ object owns: the object arrives
// with CreateWindowExW's last argument and is found again through
// GWLP_USERDATA; after WM_NCDESTROY the window no longer reaches it. Owner has
// `HWND window_` and `LRESULT handle(UINT, WPARAM, LPARAM)` and befriends this.
template <typename Owner>
struct WindowProcedure {
  static LRESULT CALLBACK Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      auto* owner = static_cast<Owner*>(create->lpCreateParams);
      owner->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (owner == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      owner->window_ = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    }
    return owner->handle(message, wParam, lParam);
  }
};

}  // namespace zelmora::platform::win32
