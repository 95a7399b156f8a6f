#include "platform/desktop_win32/web_view_site.h"

using Microsoft::WRL::ComPtr;

namespace zelmora::platform::win32 {

ComPtr<WebViewSite> WebViewSite::Create(HWND container, RECT bounds) {
  return ComPtr<WebViewSite>(new WebViewSite(container, bounds));
}

void WebViewSite::Detach() {
  container_ = nullptr;
  inPlaceObject_ = nullptr;
  activeObject_.Reset();
}

STDMETHODIMP WebViewSite::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (id == IID_IUnknown || id == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (id == IID_IOleWindow || id == IID_IOleInPlaceSite) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (id == IID_IOleInPlaceUIWindow || id == IID_IOleInPlaceFrame) {
    *object = static_cast<IOleInPlaceFrame*>(this);
  } else if (id == __uuidof(IDocHostUIHandler)) {  // from the headers: MinGW's uuid library lacks some
    *object = static_cast<IDocHostUIHandler*>(this);
  } else if (id == __uuidof(IDocHostShowUI)) {
    *object = static_cast<IDocHostShowUI*>(this);
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

STDMETHODIMP WebViewSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  // The control hands over the object that wants the keys when it activates, and none when it deactivates.
  activeObject_ = container_ != nullptr ? object : nullptr;
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

}  // namespace zelmora::platform::win32
