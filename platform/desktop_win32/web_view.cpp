#include "platform/desktop_win32/web_view.h"

#include <exdisp.h>
#include <ocidl.h>
#include <ole2.h>
#include <wrl/client.h>

#include <utility>

#include "core/error.h"
#include "platform/desktop_win32/com_error.h"

using Microsoft::WRL::ComPtr;

namespace zelmora::platform::win32 {

struct WebView::Control {
  ComPtr<IOleObject> object;
  ComPtr<IOleInPlaceObject> inPlace;
  ComPtr<IWebBrowser2> browser;
  ComPtr<IConnectionPoint> events;
  DWORD eventsCookie = 0;
};

namespace {

void Check(HRESULT result) {
  if (FAILED(result)) throw Error(ErrorText(result));
}

}  // namespace

WebView::WebView(HWND container, RECT bounds, std::function<void()> onDocumentComplete)
    : site_(WebViewSite::Create(container, bounds)),
      events_(WebViewEvents::Create(std::move(onDocumentComplete))),
      control_(std::make_unique<Control>()) {
  try {
    Check(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control_->object)));
    Check(control_->object->SetClientSite(site_.Get()));
    Check(control_->object.As(&control_->inPlace));
    site_->SetObject(control_->inPlace.Get());
    Check(control_->object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, container, &bounds));
    Check(control_->object.As(&control_->browser));
    ComPtr<IConnectionPointContainer> points;
    Check(control_->object.As(&points));
    Check(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &control_->events));
    Check(control_->events->Advise(events_.Get(), &control_->eventsCookie));
  } catch (...) {
    Release();
    throw;
  }
}

WebView::~WebView() { Release(); }

// The control may keep the site or the sink a while longer; whatever it calls
// later finds them detached from the popup and the handler.
void WebView::Release() noexcept {
  if (!control_) return;
  events_->Detach();
  if (control_->events && control_->eventsCookie != 0) control_->events->Unadvise(control_->eventsCookie);
  if (control_->object) {
    control_->object->Close(OLECLOSE_NOSAVE);  // may still call back into the site
    control_->object->SetClientSite(nullptr);
  }
  site_->Detach();
  control_.reset();
}

void WebView::Navigate(const std::wstring& address) {
  BSTR url = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
  if (url == nullptr) throw Error(ErrorText(E_OUTOFMEMORY));
  VARIANT none;
  VariantInit(&none);
  // No flags, no target frame, no post data, no extra headers.
  const HRESULT result = control_->browser->Navigate(url, &none, &none, &none, &none);
  SysFreeString(url);
  Check(result);
}

}  // namespace zelmora::platform::win32
