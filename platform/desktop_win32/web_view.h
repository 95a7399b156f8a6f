#pragma once
// The system's WebBrowser control embedded in a window, with the smallest
// container the control accepts and a sink for its DocumentComplete event.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

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
  class Site;
  class EventSink;
  struct Control;

  void Release() noexcept;

  std::unique_ptr<Site> site_;
  std::unique_ptr<EventSink> events_;
  std::unique_ptr<Control> control_;
};

}  // namespace zelmora::platform::win32
