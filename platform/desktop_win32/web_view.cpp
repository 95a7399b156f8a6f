#include "platform/desktop_win32/web_view.h"

#include <exdisp.h>
#include <ocidl.h>
#include <ole2.h>
#include <shellapi.h>
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
  ComPtr<IOleInPlaceActiveObject> activeObject;
  ComPtr<IConnectionPoint> events;
  DWORD eventsCookie = 0;
};

namespace {

void Check(HRESULT result) {
  if (FAILED(result)) throw Error(ErrorText(result));
}

// Where the main window's links go too: the user's default browser.
void OpenInBrowser(const std::wstring& address) {
  ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

WebView::WebView(HWND container, RECT bounds, std::function<void()> onDocumentComplete)
    : site_(WebViewSite::Create(container, bounds)), control_(std::make_unique<Control>()) {
  // The sink holds the site, never the other way round.
  events_ = WebViewEvents::Create({
      .documentComplete =
          [site = site_, onDocumentComplete = std::move(onDocumentComplete)] {
            site->PageInSight();
            if (onDocumentComplete) onDocumentComplete();
          },
      .navigateComplete = [site = site_] { site->NewPageArriving(); },
      .openInBrowser = OpenInBrowser,
  });
  try {
    Check(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control_->object)));
    Check(control_->object->SetClientSite(site_.Get()));
    Check(control_->object.As(&control_->inPlace));
    site_->SetObject(control_->inPlace.Get());
    Check(control_->object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, container, &bounds));
    Check(control_->object.As(&control_->browser));
    // Script errors go unreported rather than raise a box on every task; a
    // control that cannot be made silent still shows the page.
    control_->browser->put_Silent(VARIANT_TRUE);
    control_->object.As(&control_->activeObject);
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
  site_->ReplacingPage();
  // No flags, no target frame, no post data, no extra headers.
  const HRESULT result = control_->browser->Navigate(url, &none, &none, &none, &none);
  SysFreeString(url);
  Check(result);
}

bool WebView::TranslateKey(MSG& message) {
  if (!control_) return false;
  // The object the control handed over when the page took the focus, else the control's own.
  IOleInPlaceActiveObject* active = site_->ActiveObject();
  if (active == nullptr) active = control_->activeObject.Get();
  return active != nullptr && active->TranslateAccelerator(&message) == S_OK;
}

}  // namespace zelmora::platform::win32
