#pragma once
// The WebBrowser control's site in the popup: client site, in-place site and
// frame in one, and the host the control asks about the page's own user
// interface (context menu, message boxes, look). The control keeps references
// of its own and may call the site after the view has let go of it (a late
// call while the program exits), so the site lives until its last reference
// goes; once the view has detached it, it no longer reaches the window.
#include <windows.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <ole2.h>
#include <wrl/client.h>

#include "platform/desktop_win32/com_references.h"

namespace zelmora::platform::win32 {

class WebViewSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler,
                          public IDocHostShowUI {
 public:
  // The view owns the first reference.
  static Microsoft::WRL::ComPtr<WebViewSite> Create(HWND container, RECT bounds);

  void SetObject(IOleInPlaceObject* object) { inPlaceObject_ = object; }
  // The view is going: from now on the site answers without a window.
  void Detach();

  // Where the page stands, for the boxes it opens. Until a page has been
  // shown nobody sees it (the popup waits out of sight for the load), so a
  // box it opens then is answered at once; a box of the old page while the
  // reminder replaces it (the question whether to leave) lets it go.
  void ReplacingPage() {
    replacing_ = true;
    inSight_ = false;
  }
  void NewPageArriving() { replacing_ = false; }
  void PageInSight() {
    replacing_ = false;
    inSight_ = true;
  }

  // The control's object that takes the keys meant for the page, as the
  // control last handed it over; null before the page was first activated.
  IOleInPlaceActiveObject* ActiveObject() const { return activeObject_.Get(); }

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
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  // Both IOleInPlaceFrame's and IDocHostUIHandler's.
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler: no menus or tool bars of the control's, no context
  // menu but Copy, nothing of the host's reachable from the page's script.
  STDMETHODIMP ShowContextMenu(DWORD, POINT* where, IUnknown* commands, IDispatch*) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override {
    return S_OK;
  }
  STDMETHODIMP HideUI() override { return S_OK; }
  STDMETHODIMP UpdateUI() override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override;
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) override;
  STDMETHODIMP GetExternal(IDispatch** external) override;
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) override;
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** filtered) override;

  // IDocHostShowUI: the page's alert and confirm boxes.
  STDMETHODIMP ShowMessage(HWND, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR, DWORD,
                           LRESULT* result) override;
  STDMETHODIMP ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) override { return S_OK; }

 private:
  friend class ComReferences<WebViewSite>;
  WebViewSite(HWND container, RECT bounds) : container_(container), bounds_(bounds) {}
  ~WebViewSite() = default;

  ComReferences<WebViewSite> references_;
  HWND container_;
  RECT bounds_;
  IOleInPlaceObject* inPlaceObject_ = nullptr;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> activeObject_;
  bool replacing_ = false;
  bool inSight_ = false;
};

}  // namespace zelmora::platform::win32
