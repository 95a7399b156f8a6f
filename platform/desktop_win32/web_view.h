#pragma once
// The system's WebBrowser control embedded in a window, hosted as a page from
// the network should be: no script-error boxes, the page's boxes and new
// windows handled by the host (web_view_site.h, web_view_events.h), the keys
// meant for the page handed to it, and a sink for its DocumentComplete event.
// The document mode and the navigation sound are the program's feature
// settings (browser_features.h).
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/desktop_win32/web_view_events.h"
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

  // A key message for a window inside the view: whether the page took it
  // (Tab between its fields, Ctrl+C, Enter), so that it is not dispatched.
  bool TranslateKey(MSG& message);

 private:
  struct Control;

  void Release() noexcept;

  Microsoft::WRL::ComPtr<WebViewSite> site_;
  Microsoft::WRL::ComPtr<WebViewEvents> events_;
  std::unique_ptr<Control> control_;
};

}  // namespace zelmora::platform::win32
