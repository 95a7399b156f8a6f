#include "platform/desktop_win32/web_view_events.h"

#include <exdisp.h>
#include <exdispid.h>

#include <cwctype>
#include <string_view>
#include <utility>

#include "platform/desktop_win32/handler_call.h"

using Microsoft::WRL::ComPtr;

namespace zelmora::platform::win32 {
namespace {

// Argument `index` of an event, counted from the first as the event declares
// them (DISPPARAMS holds them last first); null when the event brought fewer.
VARIANT* Argument(DISPPARAMS* arguments, UINT count, UINT index) {
  if (arguments == nullptr || arguments->rgvarg == nullptr || arguments->cArgs != count) return nullptr;
  return &arguments->rgvarg[count - 1 - index];
}

std::wstring_view Text(const VARIANT* value) {
  if (value == nullptr) return {};
  if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal != nullptr) value = value->pvarVal;
  if (value->vt == VT_BSTR && value->bstrVal != nullptr)
    return {value->bstrVal, SysStringLen(value->bstrVal)};
  return {};
}

void Cancel(VARIANT* cancel) {
  if (cancel != nullptr && cancel->vt == (VT_BYREF | VT_BOOL) && cancel->pboolVal != nullptr)
    *cancel->pboolVal = VARIANT_TRUE;
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view start) {
  if (text.size() < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    if (std::towlower(text[i]) != start[i]) return false;
  }
  return true;
}

bool IsWebAddress(std::wstring_view address) {
  return StartsWithIgnoringCase(address, L"http:") || StartsWithIgnoringCase(address, L"https:");
}

// Files, the system's own resources and other programs' protocols stay out of
// reach of a page that came over plain HTTP. An empty frame loads
// about:blank, and a javascript: link runs the page's own script.
bool MayFollow(std::wstring_view address) {
  return IsWebAddress(address) || (address.size() == 11 && StartsWithIgnoringCase(address, L"about:blank")) ||
         StartsWithIgnoringCase(address, L"javascript:");
}

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
constexpr UINT kBeforeNavigateArguments = 7;
constexpr UINT kBeforeNavigateUrl = 1;
constexpr UINT kBeforeNavigateCancel = 6;
// NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
constexpr UINT kNewWindowArguments = 5;
constexpr UINT kNewWindowCancel = 1;
constexpr UINT kNewWindowUrl = 4;

}  // namespace

ComPtr<WebViewEvents> WebViewEvents::Create(WebViewEventHandlers handlers) {
  return ComPtr<WebViewEvents>(new WebViewEvents(std::move(handlers)));
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

STDMETHODIMP WebViewEvents::Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* arguments, VARIANT*,
                                   EXCEPINFO*, UINT*) {
  // A handler may end the view, and with it the view's references to this
  // object: it is held here until the call is over, the handler with it.
  const ComPtr<WebViewEvents> keepAlive(this);
  switch (event) {
    case DISPID_BEFORENAVIGATE2:
      if (!MayFollow(Text(Argument(arguments, kBeforeNavigateArguments, kBeforeNavigateUrl))))
        Cancel(Argument(arguments, kBeforeNavigateArguments, kBeforeNavigateCancel));
      break;
    case DISPID_NEWWINDOW3: {
      // Never a window of the control's own (that would be Internet Explorer or Edge).
      Cancel(Argument(arguments, kNewWindowArguments, kNewWindowCancel));
      const std::wstring address(Text(Argument(arguments, kNewWindowArguments, kNewWindowUrl)));
      const auto open = handlers_.openInBrowser;
      if (IsWebAddress(address) && open) CallHandler([&] { open(address); });
      break;
    }
    case DISPID_NAVIGATECOMPLETE2: CallHandler(std::function<void()>(handlers_.navigateComplete)); break;
    case DISPID_DOCUMENTCOMPLETE: CallHandler(std::function<void()>(handlers_.documentComplete)); break;
    default:
      // Every other event keeps the control's own default treatment.
      break;
  }
  return S_OK;
}

}  // namespace zelmora::platform::win32
