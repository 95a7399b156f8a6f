#pragma once
// The sink of the WebBrowser control's events (DWebBrowserEvents2, a dispatch
// interface: every event arrives through Invoke). Like the site, it may be
// called after the view has let go of it; once detached it reaches nothing.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>

#include "platform/desktop_win32/com_references.h"

namespace zelmora::platform::win32 {

struct WebViewEventHandlers {
  std::function<void()> documentComplete{};  // a document or frame finished loading
  std::function<void()> navigateComplete{};  // a new document (or frame) has begun to arrive
  // An http or https address the page wanted in a window of its own.
  std::function<void(const std::wstring& address)> openInBrowser{};
};

// Besides reporting, the sink keeps the page where it belongs: it follows
// http and https addresses only (and the page's own about:blank and
// javascript:), and sends every new window the page asks for to the user's
// default browser (http and https) or nowhere.
class WebViewEvents final : public IDispatch {
 public:
  // The view owns the first reference.
  static Microsoft::WRL::ComPtr<WebViewEvents> Create(WebViewEventHandlers handlers);

  // The view is going: later events are dropped, navigations still refused.
  void Detach() { handlers_ = {}; }

  STDMETHODIMP QueryInterface(REFIID id, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return references_.Add(); }
  STDMETHODIMP_(ULONG) Release() override { return references_.Release(this); }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* arguments, VARIANT*, EXCEPINFO*,
                      UINT*) override;

 private:
  friend class ComReferences<WebViewEvents>;
  explicit WebViewEvents(WebViewEventHandlers handlers) : handlers_(std::move(handlers)) {}
  ~WebViewEvents() = default;

  ComReferences<WebViewEvents> references_;
  WebViewEventHandlers handlers_;
};

}  // namespace zelmora::platform::win32
