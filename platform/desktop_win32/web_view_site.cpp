#include "platform/desktop_win32/web_view_site.h"

#include <exdisp.h>
#include <exdispid.h>

#include <utility>

#include "platform/desktop_win32/handler_call.h"

using Microsoft::WRL::ComPtr;

namespace zelmora::platform::win32 {

// ---- WebViewSite ----

ComPtr<WebViewSite> WebViewSite::Create(HWND container, RECT bounds) {
  return ComPtr<WebViewSite>(new WebViewSite(container, bounds));
}

void WebViewSite::Detach() {
  container_ = nullptr;
  inPlaceObject_ = nullptr;
}

STDMETHODIMP WebViewSite::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (id == IID_IUnknown || id == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (id == IID_IOleWindow || id == IID_IOleInPlaceSite) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (id == IID_IOleInPlaceUIWindow || id == IID_IOleInPlaceFrame) {
    *object = static_cast<IOleInPlaceFrame*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP WebViewSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WebViewSite::GetContainer(IOleContainer** container) {
  if (container != nullptr) *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP WebViewSite::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = container_;
  return container_ != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP WebViewSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
  if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
      frameInfo == nullptr) {
    return E_POINTER;
  }
  *frame = nullptr;
  *document = nullptr;
  if (container_ == nullptr) return E_FAIL;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *position = bounds_;
  // The view overhangs the client area; only the client area shows.
  GetClientRect(container_, clip);
  frameInfo->fMDIApp = FALSE;
  frameInfo->hwndFrame = container_;
  frameInfo->haccel = nullptr;
  frameInfo->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP WebViewSite::OnPosRectChange(LPCRECT position) {
  if (position == nullptr) return E_POINTER;
  if (inPlaceObject_ != nullptr && container_ != nullptr) {
    RECT clip{};
    GetClientRect(container_, &clip);
    inPlaceObject_->SetObjectRects(position, &clip);
  }
  return S_OK;
}

// ---- WebViewEvents ----

ComPtr<WebViewEvents> WebViewEvents::Create(std::function<void()> onDocumentComplete) {
  return ComPtr<WebViewEvents>(new WebViewEvents(std::move(onDocumentComplete)));
}

STDMETHODIMP WebViewEvents::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (id == IID_IUnknown || id == IID_IDispatch || id == DIID_DWebBrowserEvents2) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP WebViewEvents::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP WebViewEvents::Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) {
  // Every other event keeps the control's own default treatment. The handler
  // may end the view, and with it the view's references to this object and
  // its handler: both are held here until the call is over.
  if (event == DISPID_DOCUMENTCOMPLETE && onDocumentComplete_) {
    const ComPtr<WebViewEvents> keepAlive(this);
    const std::function<void()> handler = onDocumentComplete_;
    CallHandler(handler);
  }
  return S_OK;
}

}  // namespace zelmora::platform::win32
