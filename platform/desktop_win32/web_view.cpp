#include "platform/desktop_win32/web_view.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <ole2.h>
#include <wrl/client.h>

#include <utility>

#include "core/error.h"
#include "platform/desktop_win32/com_error.h"
#include "platform/desktop_win32/handler_call.h"

using Microsoft::WRL::ComPtr;

namespace zelmora::platform::win32 {

// Client site, in-place site and frame in one object: all the control asks of
// its container is a window to draw into and a place in it. The object lives
// as long as the view, so reference counts only serve the protocol.
class WebView::Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
 public:
  Site(HWND container, RECT bounds) : container_(container), bounds_(bounds) {}

  void SetObject(IOleInPlaceObject* object) { inPlaceObject_ = object; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID id, void** object) override {
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
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return --references_; }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (both the site and the frame)
  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = container_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
        frameInfo == nullptr) {
      return E_POINTER;
    }
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = bounds_;
    // The view overhangs the client area; only the client area shows.
    GetClientRect(container_, clip);
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = container_;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT position) override {
    if (position == nullptr) return E_POINTER;
    if (inPlaceObject_ != nullptr) {
      RECT clip{};
      GetClientRect(container_, &clip);
      inPlaceObject_->SetObjectRects(position, &clip);
    }
    return S_OK;
  }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool bars, menus or status line.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  HWND container_;
  RECT bounds_;
  IOleInPlaceObject* inPlaceObject_ = nullptr;
  ULONG references_ = 1;
};

// DWebBrowserEvents2 is a dispatch interface: every event arrives through Invoke.
class WebView::EventSink final : public IDispatch {
 public:
  explicit EventSink(std::function<void()> onDocumentComplete)
      : onDocumentComplete_(std::move(onDocumentComplete)) {}

  STDMETHODIMP QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (id == IID_IUnknown || id == IID_IDispatch || id == DIID_DWebBrowserEvents2) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return --references_; }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    // Every other event keeps the control's own default treatment.
    if (event == DISPID_DOCUMENTCOMPLETE) CallHandler(onDocumentComplete_);
    return S_OK;
  }

 private:
  std::function<void()> onDocumentComplete_;
  ULONG references_ = 1;
};

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
    : site_(std::make_unique<Site>(container, bounds)),
      events_(std::make_unique<EventSink>(std::move(onDocumentComplete))),
      control_(std::make_unique<Control>()) {
  try {
    Check(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control_->object)));
    Check(control_->object->SetClientSite(site_.get()));
    Check(control_->object.As(&control_->inPlace));
    site_->SetObject(control_->inPlace.Get());
    Check(control_->object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.get(), 0, container, &bounds));
    Check(control_->object.As(&control_->browser));
    ComPtr<IConnectionPointContainer> points;
    Check(control_->object.As(&points));
    Check(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &control_->events));
    Check(control_->events->Advise(events_.get(), &control_->eventsCookie));
  } catch (...) {
    Release();
    throw;
  }
}

WebView::~WebView() { Release(); }

void WebView::Release() noexcept {
  if (!control_) return;
  if (control_->events && control_->eventsCookie != 0) control_->events->Unadvise(control_->eventsCookie);
  site_->SetObject(nullptr);
  if (control_->object) {
    control_->object->Close(OLECLOSE_NOSAVE);
    control_->object->SetClientSite(nullptr);
  }
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
