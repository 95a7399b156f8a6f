#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "platform/desktop.h"
#include "platform/desktop_win32/web_view.h"
#include "platform/desktop_win32/window_procedure.h"

namespace zelmora::platform::win32 {

// Top-most, never activated, owned by the desktop window; the close box only hides it.
// The page view is created on the first navigation, so an idle program does not
// carry the browser engine.
class Win32PopupWindow final : public PopupWindow {
 public:
  // Sent by the message loop with a key message (lParam: MSG*) for a window
  // inside the popup; answers TRUE when the page took the key.
  static constexpr UINT kTranslateKeyMessage = WM_APP + 2;

  Win32PopupWindow(HINSTANCE instance, const PopupSpec& design);
  ~Win32PopupWindow() override;

  void SetLeft(int left) override;
  void SetTop(int top) override;
  Point Position() const override;
  Size OuterSize() const override;
  void Show() override;
  void Hide() override;
  bool IsVisible() const override;
  void Navigate(const std::u16string& address) override;
  void OnDocumentComplete(std::function<void()> handler) override;

  HWND Handle() const { return window_; }

 private:
  friend struct WindowProcedure<Win32PopupWindow>;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void MoveTo(int left, int top);

  HWND window_ = nullptr;
  RECT viewBounds_{};
  std::unique_ptr<WebView> view_;
  std::function<void()> onDocumentComplete_;
};

}  // namespace zelmora::platform::win32
