#pragma once
#include <windows.h>

#include "platform/desktop_win32/program_icon.h"

namespace zelmora::platform::win32 {

// The window procedure of a window that a C++ object owns: the object arrives
// with CreateWindowExW's last argument and is found again through
// GWLP_USERDATA; after WM_NCDESTROY the window no longer reaches it. Owner has
// `HWND window_` and `LRESULT Handle(UINT, WPARAM, LPARAM)` and befriends this.
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
    return owner->Handle(message, wParam, lParam);
  }
};

enum class WindowLook { Hidden, Framed };

// Registers Owner's window class, routed through WindowProcedure<Owner>. A framed
// window gets the program's icon, the arrow cursor and the button-face colour.
template <typename Owner>
void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WindowLook look) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &WindowProcedure<Owner>::Route;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = name;
  if (look == WindowLook::Framed) {
    windowClass.hIcon = ProgramIcon(instance, IconSize::Large);
    windowClass.hIconSm = ProgramIcon(instance, IconSize::Small);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  }
  RegisterClassExW(&windowClass);
}

}  // namespace zelmora::platform::win32
