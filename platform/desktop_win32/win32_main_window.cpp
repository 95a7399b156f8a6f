#include "platform/desktop_win32/win32_main_window.h"

#include <utility>

#include "core/error.h"
#include "platform/desktop_win32/handler_call.h"
#include "platform/desktop_win32/program_icon.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TForm1";
// No WS_CLIPCHILDREN: group boxes leave their inside for the parent to paint.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kFirstControlId = 100;
constexpr COLORREF kLinkColour = RGB(0, 0, 255);

// "MS Sans Serif" 8 pt: a character height of 11 pixels at the design's 96 dpi.
HFONT CreateUiFont() {
  return CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
}

struct NativeControl {
  const wchar_t* className;
  DWORD style;
  DWORD extendedStyle;
};

NativeControl NativeControlFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::GroupBox: return {L"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::Edit: return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::Label: return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::WrappedLabel: return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::CheckBox: return {L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case ControlKind::Button: return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::Link: return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY, 0};
  }
  return {L"STATIC", 0, 0};
}

}  // namespace

// ---- Win32Control ----

Win32Control::Win32Control(HWND window, ControlKind kind, HFONT font)
    : window_(window), kind_(kind), font_(font) {
  FitToText();
}

std::string Win32Control::Text() const {
  const int length = GetWindowTextLengthW(window_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window_, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied));
  return Narrow(text);
}

void Win32Control::SetText(const std::string& text) {
  SetWindowTextW(window_, Wide(text).c_str());
  FitToText();
}

bool Win32Control::Checked() const { return SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Win32Control::SetChecked(bool checked) {
  SendMessageW(window_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Control::Enabled() const { return IsWindowEnabled(window_) != FALSE; }

void Win32Control::SetEnabled(bool enabled) { EnableWindow(window_, enabled ? TRUE : FALSE); }

void Win32Control::OnActivated(std::function<void()> handler) { onActivated_ = std::move(handler); }

void Win32Control::Activated() const {
  // A copy: the handler may replace itself.
  std::function<void()> handler = onActivated_;
  CallHandler(handler);
}

// A plain label sizes itself to its text, as the design's auto-sized labels do.
void Win32Control::FitToText() {
  if (kind_ != ControlKind::Label) return;
  const int length = GetWindowTextLengthW(window_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(window_, text.data(), length + 1);
  HDC context = GetDC(window_);
  HGDIOBJ previous = SelectObject(context, font_);
  SIZE extent{};
  GetTextExtentPoint32W(context, text.c_str(), length, &extent);
  SelectObject(context, previous);
  ReleaseDC(window_, context);
  RECT bounds{};
  GetClientRect(window_, &bounds);
  SetWindowPos(window_, nullptr, 0, 0, extent.cx, bounds.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window_, nullptr, TRUE);
}

// ---- Win32MainWindow ----

Win32MainWindow::Win32MainWindow(HINSTANCE instance, HWND applicationWindow, const MainWindowSpec& design)
    : instance_(instance), applicationWindow_(applicationWindow), font_(CreateUiFont()) {
  RegisterWindowClass<Win32MainWindow>(instance, kClassName, WindowLook::Framed);

  RECT outer{0, 0, design.clientSize.width, design.clientSize.height};
  AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
  window_ =
      CreateWindowExW(0, kClassName, Wide(design.caption).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
  if (window_ == nullptr) throw Error("Cannot create the main window");
}

Win32MainWindow::~Win32MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  DeleteObject(font_);
}

Control& Win32MainWindow::AddControl(const ControlSpec& design) {
  const NativeControl native = NativeControlFor(design.kind);
  const auto id = static_cast<INT_PTR>(kFirstControlId + controls_.size());
  HWND child = CreateWindowExW(native.extendedStyle, native.className, Wide(design.caption).c_str(),
                               WS_CHILD | WS_VISIBLE | native.style, design.bounds.left, design.bounds.top,
                               design.bounds.width, design.bounds.height, window_,
                               reinterpret_cast<HMENU>(id), instance_, nullptr);
  if (child == nullptr) throw Error("Cannot create the control " + std::string(design.name));
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  auto control = std::make_unique<Win32Control>(child, design.kind, font_);
  if (design.kind == ControlKind::CheckBox) control->SetChecked(design.checked);
  controls_.push_back(std::move(control));
  return *controls_.back();
}

// Tab moves through WS_TABSTOP controls in z-order (IsDialogMessage in the loop).
void Win32MainWindow::SetTabOrder(std::span<Control* const> order) {
  HWND previous = HWND_TOP;
  for (Control* control : order) {
    auto* native = dynamic_cast<Win32Control*>(control);
    if (native == nullptr) continue;
    SetWindowPos(native->Handle(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = native->Handle();
  }
}

void Win32MainWindow::TakeOffTaskbar() {
  SetWindowLongPtrW(applicationWindow_, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  offTaskbar_ = true;
  SetOwner();
}

void Win32MainWindow::SetOwner() {
  HWND owner = offTaskbar_ && trayIconShown_ ? applicationWindow_ : nullptr;
  // For a top-level window this sets the owner, not a parent.
  SetWindowLongPtrW(window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

void Win32MainWindow::TrayIconShown(bool shown) {
  if (shown == trayIconShown_) return;
  trayIconShown_ = shown;
  if (!offTaskbar_) return;
  if (shown) {
    // A window left minimised for want of the icon goes where minimising sends it.
    if (IsIconic(window_)) ShowWindow(window_, SW_HIDE);
    SetOwner();
  } else {
    // The task bar gives a window its button when it is shown: free it of its owner first.
    SetOwner();
    if (!IsWindowVisible(window_)) ShowMinimized();
  }
}

void Win32MainWindow::CentreOnScreen() {
  RECT outer{};
  GetWindowRect(window_, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN) + (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2;
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN) + (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2;
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainWindow::Show() {
  if (!shownBefore_) {
    shownBefore_ = true;
    CentreOnScreen();
    ShowWindow(window_, SW_SHOWNORMAL);
  } else {
    ShowWindow(window_, SW_SHOW);
  }
  SetForegroundWindow(window_);
}

void Win32MainWindow::Hide() {
  // Without a tray icon the task-bar button is the one way back.
  if (!trayIconShown_ && IsIconic(window_)) return;
  ShowWindow(window_, SW_HIDE);
}

bool Win32MainWindow::IsVisible() const { return IsWindowVisible(window_) != FALSE; }

void Win32MainWindow::ShowMinimized() {
  if (!shownBefore_) {
    shownBefore_ = true;
    CentreOnScreen();  // where it will be when restored
  }
  ShowWindow(window_, SW_SHOWMINNOACTIVE);
}

void Win32MainWindow::Restore() {
  // A window that started in the tray has never been placed.
  if (!shownBefore_) {
    Show();
  } else {
    // SW_RESTORE also makes a hidden minimised window visible again.
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
  }
  CallHandler(onRestored_);
}

// Posted: the caller (a menu) finishes before the window goes and the loop ends.
void Win32MainWindow::Close() { PostMessageW(window_, WM_CLOSE, 0, 0); }

void Win32MainWindow::OnMinimized(std::function<void()> handler) { onMinimized_ = std::move(handler); }

void Win32MainWindow::OnRestored(std::function<void()> handler) { onRestored_ = std::move(handler); }

const Win32Control* Win32MainWindow::FindControl(HWND child) const {
  for (const auto& control : controls_) {
    if (control->Handle() == child) return control.get();
  }
  return nullptr;
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // STN_CLICKED and BN_CLICKED share the code 0.
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        if (const Win32Control* control = FindControl(reinterpret_cast<HWND>(lParam))) control->Activated();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      const Win32Control* control = FindControl(reinterpret_cast<HWND>(lParam));
      if (control != nullptr && control->Kind() == ControlKind::Link) {
        auto context = reinterpret_cast<HDC>(wParam);
        SetTextColor(context, kLinkColour);
        SetBkColor(context, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_SETCURSOR: {
      const Win32Control* control = FindControl(reinterpret_cast<HWND>(wParam));
      if (control != nullptr && control->Kind() == ControlKind::Link) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) {
        std::function<void()> handler = onMinimized_;
        CallHandler(handler);
      }
      return 0;
    case WM_ACTIVATE:
      // A plain window forgets its focused control when deactivated; keep it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focusedControl_ = focus;
      }
      break;
    case WM_SETFOCUS: {
      HWND target = focusedControl_ != nullptr && IsWindow(focusedControl_)
                        ? focusedControl_
                        : GetNextDlgTabItem(window_, nullptr, FALSE);
      if (target != nullptr) SetFocus(target);
      return 0;
    }
    case kTrayIconShownMessage: TrayIconShown(wParam != FALSE); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace zelmora::platform::win32
