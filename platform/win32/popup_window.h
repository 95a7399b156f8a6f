#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "platform/desktop.h"
#include "platform/win32/web_view.h"
#include "platform/win32/window_procedure.h"

namespace zelmora::platform::win32 {

// Top-most, never activated, owned by the desktop window; the close box only hides it.
// The page view is created on the first navigation, so an idle program does not
// carry the browser engine.
class Win32PopupWindow final : public PopupWindow {
 public:
  Win32PopupWindow(HINSTANCE instance, const PopupSpec& design);
  ~Win32PopupWindow() override;

  void setLeft(int left) override;
  void setTop(int top) override;
  Point position() const override;
  Size outerSize() const override;
  void show() override;
  void hide() override;
  bool isVisible() const override;
  void navigate(const std::u16string& address) override;
  void onDocumentComplete(std::function<void()> handler) override;

 private:
  friend struct WindowProcedure<Win32PopupWindow>;
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void moveTo(int left, int top);

  HWND window_ = nullptr;
  RECT viewBounds_{};
  std::unique_ptr<WebView> view_;
  std::function<void()> onDocumentComplete_;
};

}  // namespace zelmora::platform::win32
