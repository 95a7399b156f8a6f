#pragma once
// The system's WebBrowser control embedded in a window, with the smallest
// container the control accepts and a sink for its DocumentComplete event.
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/desktop_win32/web_view_site.h"

namespace zelmora::platform::win32 {

class WebView {
 public:
  // Throws Error when the control cannot be created.
  WebView(HWND container, RECT bounds, std::function<void()> onDocumentComplete);
  WebView(const WebView&) = delete;
  WebView& operator=(const WebView&) = delete;
  ~WebView();

  // Throws Error with the system's text when the control refuses the address.
  void Navigate(const std::wstring& address);

 private:
  struct Control;

  void Release() noexcept;

  Microsoft::WRL::ComPtr<WebViewSite> site_;
  Microsoft::WRL::ComPtr<WebViewEvents> events_;
  std::unique_ptr<Control> control_;
};

}  // namespace zelmora::platform::win32
