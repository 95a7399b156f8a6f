#include "platform/desktop_win32/win32_popup_window.h"

#include <string>
#include <utility>

#include "core/error.h"
#include "platform/desktop_win32/handler_call.h"
#include "platform/desktop_win32/program_icon.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TForm2";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// Dialog frame, top-most and never activated: Windows gives such a window no
// task-bar button. (Wine's task bar shows every visible unowned window, tool
// window or not, so no style of ours would change it there.)
constexpr DWORD kExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_TOPMOST | WS_EX_NOACTIVATE;

}  // namespace

Win32PopupWindow::Win32PopupWindow(HINSTANCE instance, const PopupSpec& design)
    : viewBounds_{design.viewBounds.left, design.viewBounds.top,
                  design.viewBounds.left + design.viewBounds.width,
                  design.viewBounds.top + design.viewBounds.height} {
  RegisterWindowClass<Win32PopupWindow>(instance, kClassName, WindowLook::Framed);

  RECT outer{0, 0, design.clientSize.width, design.clientSize.height};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExtendedStyle);
  window_ = CreateWindowExW(kExtendedStyle, kClassName, Wide(design.caption).c_str(), kStyle,
                            design.initialPosition.x, design.initialPosition.y, outer.right - outer.left,
                            outer.bottom - outer.top, GetDesktopWindow(), nullptr, instance, this);
  if (window_ == nullptr) throw Error("Cannot create the notification window");
}

Win32PopupWindow::~Win32PopupWindow() {
  view_.reset();
  if (window_ != nullptr) DestroyWindow(window_);
}

void Win32PopupWindow::MoveTo(int left, int top) {
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32PopupWindow::SetLeft(int left) { MoveTo(left, Position().y); }

void Win32PopupWindow::SetTop(int top) { MoveTo(Position().x, top); }

Point Win32PopupWindow::Position() const {
  RECT outer{};
  GetWindowRect(window_, &outer);
  return {outer.left, outer.top};
}

Size Win32PopupWindow::OuterSize() const {
  RECT outer{};
  GetWindowRect(window_, &outer);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

void Win32PopupWindow::Show() {
  if (!IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWNOACTIVATE);
  SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32PopupWindow::Hide() { ShowWindow(window_, SW_HIDE); }

bool Win32PopupWindow::IsVisible() const { return IsWindowVisible(window_) != FALSE; }

void Win32PopupWindow::Navigate(const std::u16string& address) {
  if (!view_) {
    view_ = std::make_unique<WebView>(window_, viewBounds_, [this] {
      std::function<void()> handler = onDocumentComplete_;
      CallHandler(handler);
    });
  }
  view_->Navigate(std::wstring(address.begin(), address.end()));
}

void Win32PopupWindow::OnDocumentComplete(std::function<void()> handler) {
  onDocumentComplete_ = std::move(handler);
}

LRESULT Win32PopupWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: Hide(); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case kTranslateKeyMessage:
      return view_ && view_->TranslateKey(*reinterpret_cast<MSG*>(lParam)) ? TRUE : FALSE;
    default: return DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace zelmora::platform::win32
