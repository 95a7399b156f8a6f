// The site as the host of the page's own user interface: what the control
// asks before it shows a menu or a message box of its own.
#include <windows.h>
#include <docobj.h>

#include "platform/desktop_win32/web_view_site.h"
#include "platform/system_windows/wide_text.h"

using Microsoft::WRL::ComPtr;

namespace zelmora::platform::win32 {
namespace {

constexpr UINT kCopyChosen = 1;

// The answer to a box that nobody will see: "OK" to an alert, "leave" to the
// question whether to leave the page being replaced, "no" to anything else.
LRESULT UnseenBoxAnswer(DWORD type, bool leavingPage) {
  switch (type & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_OKCANCEL: return leavingPage ? IDOK : IDCANCEL;
    case MB_YESNO: return leavingPage ? IDYES : IDNO;
    case MB_YESNOCANCEL: return leavingPage ? IDYES : IDCANCEL;
    default: return IDCANCEL;
  }
}

}  // namespace

STDMETHODIMP WebViewSite::ShowContextMenu(DWORD, POINT* where, IUnknown* commands, IDispatch*) {
  // S_OK whatever happens here: the control's own menu (View source,
  // Refresh, Properties) never shows.
  ComPtr<IOleCommandTarget> target;
  if (container_ == nullptr || where == nullptr || commands == nullptr ||
      FAILED(commands->QueryInterface(IID_PPV_ARGS(&target)))) {
    return S_OK;
  }
  OLECMD copy{OLECMDID_COPY, 0};
  if (FAILED(target->QueryStatus(nullptr, 1, &copy, nullptr)) || (copy.cmdf & OLECMDF_ENABLED) == 0)
    return S_OK;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return S_OK;
  AppendMenuW(menu, MF_STRING, kCopyChosen, Wide("复制(&C)").c_str());
  const auto chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                       where->x, where->y, 0, container_, nullptr));
  DestroyMenu(menu);
  if (chosen == kCopyChosen) target->Exec(nullptr, OLECMDID_COPY, OLECMDEXECOPT_DODEFAULT, nullptr, nullptr);
  return S_OK;
}

STDMETHODIMP WebViewSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (info == nullptr) return E_POINTER;
  // Themed form controls. The control's sunken border stays: the view's
  // design puts it just outside the popup's client area.
  info->dwFlags = DOCHOSTUIFLAG_THEME;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  info->pchHostCss = nullptr;
  info->pchHostNS = nullptr;
  return S_OK;
}

STDMETHODIMP WebViewSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key != nullptr) *key = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WebViewSite::GetDropTarget(IDropTarget*, IDropTarget** target) {
  if (target != nullptr) *target = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WebViewSite::GetExternal(IDispatch** external) {
  if (external == nullptr) return E_POINTER;
  *external = nullptr;
  return S_FALSE;
}

STDMETHODIMP WebViewSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
  if (translated != nullptr) *translated = nullptr;
  return S_FALSE;
}

STDMETHODIMP WebViewSite::FilterDataObject(IDataObject*, IDataObject** filtered) {
  if (filtered != nullptr) *filtered = nullptr;
  return S_FALSE;
}

STDMETHODIMP WebViewSite::ShowMessage(HWND, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR, DWORD,
                                      LRESULT* result) {
  if (result == nullptr) return E_POINTER;
  if (!inSight_ || container_ == nullptr) {
    *result = UnseenBoxAnswer(type, replacing_);
  } else {
    // Above the popup, which stays top-most, and modal to it.
    *result = MessageBoxW(container_, text, caption, type);
  }
  return S_OK;
}

}  // namespace zelmora::platform::win32
