// What the page view's control asks of its host, called as the control calls
// it: Wine has no HTML engine here, so no page can ask for real.
#include <windows.h>
#include <docobj.h>
#include <exdispid.h>
#include <gtest/gtest.h>
#include <mshtmhst.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop_win32/web_view_events.h"
#include "platform/desktop_win32/web_view_site.h"

namespace zelmora::platform::win32 {
namespace {

using Microsoft::WRL::ComPtr;
using std::chrono::milliseconds;

// ---- the event sink: where the page may go ----

// Raises BeforeNavigate2 or NewWindow3 for `address` as the control does,
// arguments last first; returns whether the sink cancelled it.
bool Cancels(IDispatch& sink, DISPID event, const wchar_t* address) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT url{};
  url.vt = VT_BSTR;
  url.bstrVal = SysAllocString(address);
  VARIANT arguments[7] = {};
  arguments[0].vt = VT_BYREF | VT_BOOL;
  arguments[0].pboolVal = &cancel;
  UINT count = 7;
  if (event == DISPID_BEFORENAVIGATE2) {  // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
    arguments[5].vt = VT_BYREF | VT_VARIANT;
    arguments[5].pvarVal = &url;
  } else {  // NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
    count = 5;
    arguments[3] = arguments[0];
    arguments[0] = url;
  }
  DISPPARAMS parameters{arguments, nullptr, count, 0};
  sink.Invoke(event, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
  SysFreeString(url.bstrVal);
  return cancel == VARIANT_TRUE;
}

TEST(WebViewEvents, ThePageFollowsWebAddressesOnlyAndOpensNewWindowsInTheDefaultBrowser) {
  std::vector<std::wstring> opened;
  auto events = WebViewEvents::Create(
      {.openInBrowser = [&](const std::wstring& address) { opened.push_back(address); }});
  IDispatch& sink = *events.Get();
  for (const wchar_t* address :
       {L"http://127.0.0.1/tx.php?x=1", L"HTTPS://example.com/", L"about:blank", L"javascript:void(0)"}) {
    EXPECT_FALSE(Cancels(sink, DISPID_BEFORENAVIGATE2, address)) << "refused: " << address;
  }
  for (const wchar_t* address :
       {L"file:///C:/windows/win.ini", L"res://ieframe.dll/navcancl.htm", L"ms-settings:privacy",
        L"about:<script>1</script>", L"mk:@MSITStore:x.chm"}) {
    EXPECT_TRUE(Cancels(sink, DISPID_BEFORENAVIGATE2, address)) << "followed: " << address;
  }

  EXPECT_TRUE(Cancels(sink, DISPID_NEWWINDOW3, L"https://example.com/task?id=7"))
      << "the control opened a window of its own";
  EXPECT_TRUE(Cancels(sink, DISPID_NEWWINDOW3, L"file:///C:/windows/win.ini"));
  EXPECT_EQ(opened, std::vector<std::wstring>{L"https://example.com/task?id=7"});
}

// ---- the site as the host of the page's boxes and menu ----

// Another thread playing the user while this one sits in a modal loop: acts
// once on every window of `className` that shows, until the end of the scope.
class User {
 public:
  User(const wchar_t* className, std::function<void(HWND)> act)
      : thread_([this, className, act = std::move(act)] {
          HWND last = nullptr;
          while (!done_) {
            HWND found = FindWindowW(className, nullptr);
            if (found != nullptr && found != last && IsWindowVisible(found)) act(last = found);
            std::this_thread::sleep_for(milliseconds(20));
          }
        }) {}
  ~User() {
    done_ = true;
    thread_.join();
  }
  User(const User&) = delete;
  User& operator=(const User&) = delete;

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// A top-level window standing in for the popup.
class PageHost : public ::testing::Test {
 protected:
  void SetUp() override {
    popup = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"Zelmora通知", WS_POPUP | WS_CAPTION, 0, 0, 300, 200,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (popup == nullptr) GTEST_SKIP() << "no window system (no display)";
    site = WebViewSite::Create(popup, RECT{-2, -2, 348, 249});
    ASSERT_EQ(site.As(&showUi), S_OK) << "the site is no IDocHostShowUI";
    ASSERT_EQ(site.As(&uiHandler), S_OK) << "the site is no IDocHostUIHandler";
  }
  void TearDown() override {
    if (site) site->Detach();
    if (popup != nullptr) DestroyWindow(popup);
  }

  LRESULT Box(DWORD type) {
    wchar_t text[] = L"Message from the page";
    wchar_t caption[] = L"Message from webpage";
    LRESULT answer = -1;
    EXPECT_EQ(showUi->ShowMessage(popup, text, caption, type, nullptr, 0, &answer), S_OK);
    return answer;
  }

  HWND popup = nullptr;
  ComPtr<WebViewSite> site;
  ComPtr<IDocHostShowUI> showUi;
  ComPtr<IDocHostUIHandler> uiHandler;
};

constexpr DWORD kAlert = MB_OK | MB_ICONWARNING;
constexpr DWORD kConfirm = MB_OKCANCEL | MB_ICONQUESTION;

TEST_F(PageHost, BoxesOfAPageOutOfSightAreAnsweredAtOnceAndShownOverThePopupOnceItIsInSight) {
  std::vector<HWND> boxOwners;
  {
    User user(L"#32770", [&boxOwners](HWND box) {
      boxOwners.push_back(GetWindow(box, GW_OWNER));
      SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    site->ReplacingPage();
    // The old page asks whether to leave it for the next task's: it may.
    EXPECT_EQ(Box(kConfirm), IDOK);
    site->NewPageArriving();
    // The new page, still loading out of sight, gets its boxes answered.
    EXPECT_EQ(Box(kAlert), IDOK);
    EXPECT_EQ(Box(kConfirm), IDCANCEL);
    EXPECT_EQ(Box(MB_YESNO), IDNO);

    site->PageInSight();
    EXPECT_EQ(Box(kConfirm), IDCANCEL);  // the user's answer
  }
  EXPECT_EQ(boxOwners, std::vector<HWND>{popup}) << "not the one box, over the popup, for the page in sight";
}

// What the control's command target is asked and told to do.
class Commands final : public IOleCommandTarget {
 public:
  explicit Commands(bool canCopy) : canCopy_(canCopy) {}
  STDMETHODIMP QueryInterface(REFIID id, void** object) override {
    if (id == IID_IUnknown || id == IID_IOleCommandTarget) {
      *object = static_cast<IOleCommandTarget*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP QueryStatus(const GUID*, ULONG count, OLECMD* commands, OLECMDTEXT*) override {
    for (ULONG i = 0; i < count; ++i) {
      commands[i].cmdf = commands[i].cmdID == OLECMDID_COPY && canCopy_ ? OLECMDF_SUPPORTED | OLECMDF_ENABLED
                                                                        : OLECMDF_SUPPORTED;
    }
    return S_OK;
  }
  STDMETHODIMP Exec(const GUID*, DWORD command, DWORD, VARIANT*, VARIANT*) override {
    executed.push_back(command);
    return S_OK;
  }
  std::vector<DWORD> executed;

 private:
  bool canCopy_;
};

TEST_F(PageHost, TheOnlyContextMenuIsCopyWhereThereIsSomethingToCopy) {
  POINT where{100, 100};
  Commands nothingSelected(false);
  Commands selection(true);
  int menus = 0;
  int items = -1;
  {
    User user(L"#32768", [&](HWND menu) {
      ++menus;
      items = GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0)));
      PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    // S_OK: the host has dealt with it, and the control shows no menu of its own.
    EXPECT_EQ(uiHandler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &where, &nothingSelected, nullptr), S_OK);
    EXPECT_EQ(uiHandler->ShowContextMenu(CONTEXT_MENU_TEXTSELECT, &where, &selection, nullptr), S_OK);
  }
  EXPECT_EQ(menus, 1);
  EXPECT_EQ(items, 1);
  EXPECT_TRUE(nothingSelected.executed.empty());
  EXPECT_EQ(selection.executed, std::vector<DWORD>{OLECMDID_COPY});
}

}  // namespace
}  // namespace zelmora::platform::win32
