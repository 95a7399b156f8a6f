#pragma once
// The two objects of ours that the WebBrowser control holds: its site in the
// popup (client site, in-place site and frame in one) and the sink of its
// events. The control keeps references of its own and may call either after
// the view has let go of it (a late event while the program exits), so each
// lives until its last reference goes; once the view has detached them they
// no longer reach the window, the control or the handler.
#include <windows.h>
#include <ocidl.h>
#include <ole2.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>

namespace zelmora::platform::win32 {

// IUnknown's reference count, shared by both objects: the object deletes
// itself with its last reference. It starts at none: the ComPtr that Create
// returns takes the first.
template <typename Object>
class ComReferences {
 public:
  ULONG Add() { return ++count_; }
  ULONG Release(Object* object) {
    const ULONG left = --count_;
    if (left == 0) delete object;
    return left;
  }

 private:
  std::atomic<ULONG> count_{0};
};

class WebViewSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
 public:
  // The view owns the first reference.
  static Microsoft::WRL::ComPtr<WebViewSite> Create(HWND container, RECT bounds);

  void SetObject(IOleInPlaceObject* object) { inPlaceObject_ = object; }
  // The view is going: from now on the site answers without a window.
  void Detach();

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID id, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return references_.Add(); }
  STDMETHODIMP_(ULONG) Release() override { return references_.Release(this); }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (both the site and the frame)
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return container_ != nullptr ? S_OK : S_FALSE; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT position) override;

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
  friend class ComReferences<WebViewSite>;
  WebViewSite(HWND container, RECT bounds) : container_(container), bounds_(bounds) {}
  ~WebViewSite() = default;

  ComReferences<WebViewSite> references_;
  HWND container_;
  RECT bounds_;
  IOleInPlaceObject* inPlaceObject_ = nullptr;
};

// DWebBrowserEvents2 is a dispatch interface: every event arrives through Invoke.
class WebViewEvents final : public IDispatch {
 public:
  // The view owns the first reference.
  static Microsoft::WRL::ComPtr<WebViewEvents> Create(std::function<void()> onDocumentComplete);

  // The view is going: later events are dropped.
  void Detach() { onDocumentComplete_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID id, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return references_.Add(); }
  STDMETHODIMP_(ULONG) Release() override { return references_.Release(this); }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

 private:
  friend class ComReferences<WebViewEvents>;
  explicit WebViewEvents(std::function<void()> onDocumentComplete)
      : onDocumentComplete_(std::move(onDocumentComplete)) {}
  ~WebViewEvents() = default;

  ComReferences<WebViewEvents> references_;
  std::function<void()> onDocumentComplete_;
};

}  // namespace zelmora::platform::win32
