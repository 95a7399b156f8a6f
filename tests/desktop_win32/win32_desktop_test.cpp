// The Win32 desktop against the real window system (Wine under Xvfb in CI).
// Every test skips when no window can be created (no display).
#include "platform/desktop_win32/win32_desktop.h"

#include <windows.h>
#include <exdispid.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "platform/desktop_win32/message_window.h"
#include "platform/desktop_win32/web_view_events.h"
#include "platform/desktop_win32/web_view_site.h"
#include "platform/desktop_win32/win32_main_window.h"
#include "platform/desktop_win32/win32_tray_icon.h"
#include "platform/start_at_login.h"

namespace zelmora::platform::win32 {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Runs the message loop until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, milliseconds limit = milliseconds(5000)) {
  const auto deadline = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

void PumpFor(milliseconds time) {
  const auto end = Clock::now() + time;
  PumpUntil([&] { return Clock::now() >= end; }, time + milliseconds(100));
}

class Win32DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    try {
      desktop = CreateWin32Desktop(GetModuleHandleW(nullptr));
    } catch (const Error&) {
      GTEST_SKIP() << "no window system (no display)";
    }
  }
  std::unique_ptr<Desktop> desktop;
};

// ---- timers ----

TEST_F(Win32DesktopTest, TimerTicksRepeatedlyUntilStopped) {
  int ticks = 0;
  auto timer = desktop->CreateTimer([&] { ++ticks; });
  timer->Start(20);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  timer->Stop();
  const int stoppedAt = ticks;
  PumpFor(milliseconds(200));
  EXPECT_EQ(ticks, stoppedAt);
}

TEST_F(Win32DesktopTest, StartingARunningTimerAgainBeginsAFreshCountdown) {
  constexpr auto kInterval = milliseconds(600);
  Clock::time_point tick{};
  auto timer = desktop->CreateTimer([&] { tick = Clock::now(); });
  timer->Start(static_cast<int>(kInterval.count()));
  PumpFor(milliseconds(300));
  const auto restarted = Clock::now();
  timer->Start(static_cast<int>(kInterval.count()));
  ASSERT_TRUE(PumpUntil([&] { return tick != Clock::time_point{}; }));
  if (tick < restarted) GTEST_SKIP() << "the machine stalled before the restart";
  // Window-system timers may round the interval down by one clock step.
  EXPECT_GE(tick - restarted, kInterval - milliseconds(40));
}

TEST_F(Win32DesktopTest, TimerHandlerMayDestroyItsOwnTimer) {
  int ticks = 0;
  std::unique_ptr<TimerBackend> timer;
  timer = desktop->CreateTimer([&] {
    ++ticks;
    timer.reset();
  });
  timer->Start(10);
  ASSERT_TRUE(PumpUntil([&] { return !timer; }));
  PumpFor(milliseconds(100));
  EXPECT_EQ(ticks, 1);
}

// ---- running tasks on the user-interface thread ----

TEST_F(Win32DesktopTest, TasksPostedFromOtherThreadsRunOnTheUiThreadInPostingOrder) {
  constexpr int kThreads = 4;
  constexpr int kTasksEach = 500;
  const auto uiThread = std::this_thread::get_id();
  std::array<std::vector<int>, kThreads> seen;
  std::atomic<int> offThread{0};
  int done = 0;
  std::vector<std::thread> posters;
  for (int poster = 0; poster < kThreads; ++poster) {
    posters.emplace_back([&, poster] {
      for (int task = 0; task < kTasksEach; ++task) {
        desktop->PostToUi([&, poster, task] {
          if (std::this_thread::get_id() != uiThread) ++offThread;
          seen[static_cast<size_t>(poster)].push_back(task);
          ++done;
        });
      }
    });
  }
  for (auto& poster : posters) poster.join();
  ASSERT_TRUE(PumpUntil([&] { return done == kThreads * kTasksEach; }));
  EXPECT_EQ(offThread.load(), 0);
  for (const auto& tasks : seen) {
    ASSERT_EQ(tasks.size(), static_cast<size_t>(kTasksEach));
    for (int task = 0; task < kTasksEach; ++task) EXPECT_EQ(tasks[static_cast<size_t>(task)], task);
  }
}

TEST_F(Win32DesktopTest, NoPostedTaskIsLostWhenTheMessageQueueIsFull) {
  // More than the 10,000 messages a Windows queue holds, with nobody pumping.
  // (Wine's queues have no such limit; there this checks the order only.)
  constexpr int kTasks = 12000;
  std::vector<int> order;
  for (int task = 0; task < kTasks; ++task) desktop->PostToUi([&order, task] { order.push_back(task); });
  ASSERT_TRUE(PumpUntil([&] { return order.size() == static_cast<size_t>(kTasks); }, milliseconds(20000)));
  for (int task = 0; task < kTasks; ++task) ASSERT_EQ(order[static_cast<size_t>(task)], task);
}

// ---- the main window and its controls ----

class Win32MainWindowTest : public Win32DesktopTest {
 protected:
  void SetUp() override {
    Win32DesktopTest::SetUp();
    if (IsSkipped()) return;
    desktop->SetApplicationTitle("Zelmora任务提醒器");
    window = desktop->CreateMainWindow({"Zelmora任务提醒器1.62", {378, 265}});
    handle = dynamic_cast<Win32MainWindow&>(*window).Handle();
  }
  static HWND HandleOf(Control& control) { return dynamic_cast<Win32Control&>(control).Handle(); }
  static RECT BoundsOf(Control& control) {
    RECT bounds{};
    GetWindowRect(HandleOf(control), &bounds);
    return bounds;
  }
  std::unique_ptr<MainWindow> window;
  HWND handle = nullptr;
};

TEST_F(Win32MainWindowTest, HasTheDesignClientSizeAndIsCentredAtFirstShow) {
  window->Show();
  RECT client{};
  GetClientRect(handle, &client);
  EXPECT_EQ(client.right, 378);
  EXPECT_EQ(client.bottom, 265);
  RECT outer{};
  GetWindowRect(handle, &outer);
  EXPECT_LE(std::abs(outer.left + outer.right - GetSystemMetrics(SM_CXVIRTUALSCREEN)), 1);
  EXPECT_LE(std::abs(outer.top + outer.bottom - GetSystemMetrics(SM_CYVIRTUALSCREEN)), 1);
  EXPECT_EQ(GetWindowLongW(handle, GWL_STYLE) & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
}

TEST_F(Win32MainWindowTest, TextsCrossTheSeamAsUtf8) {
  Control& edit = window->AddControl({"edt1", ControlKind::Edit, {16, 26, 89, 21}, "ZM-"});
  EXPECT_EQ(edit.Text(), "ZM-");
  edit.SetText("ZM-测试7");
  EXPECT_EQ(edit.Text(), "ZM-测试7");
  wchar_t native[32] = {};
  GetWindowTextW(HandleOf(edit), native, 32);
  EXPECT_EQ(std::wstring(native), L"ZM-测试7");
}

TEST_F(Win32MainWindowTest, PlainLabelsFitTheirTextWrappedLabelsKeepTheirSize) {
  Control& label = window->AddControl({"lbl2", ControlKind::Label, {23, 215, 48, 13}, "更新时间"});
  Control& wrapped = window->AddControl({"lbl1", ControlKind::WrappedLabel, {24, 88, 233, 81}, ""});
  const LONG shortWidth = BoundsOf(label).right - BoundsOf(label).left;
  label.SetText("12:34:56 in the afternoon");
  const LONG longWidth = BoundsOf(label).right - BoundsOf(label).left;
  EXPECT_GT(shortWidth, 0);
  EXPECT_GT(longWidth, shortWidth);
  label.SetText("");
  EXPECT_EQ(BoundsOf(label).right - BoundsOf(label).left, 0);

  wrapped.SetText(std::string(300, 'x'));
  EXPECT_EQ(BoundsOf(wrapped).right - BoundsOf(wrapped).left, 233);
  EXPECT_EQ(BoundsOf(wrapped).bottom - BoundsOf(wrapped).top, 81);
}

TEST_F(Win32MainWindowTest, UserClicksActivateButtonsCheckBoxesAndLinks) {
  Control& button = window->AddControl({"btn1", ControlKind::Button, {104, 208, 75, 25}, "开始"});
  Control& box = window->AddControl({"chkip2", ControlKind::CheckBox, {296, 128, 65, 17}, "不换IP", true});
  Control& link = window->AddControl({"lbl4", ControlKind::Link, {184, 244, 84, 13}, "Zelmora投票平台"});
  std::vector<std::string> activated;
  button.OnActivated([&] { activated.push_back("button"); });
  box.OnActivated([&] { activated.push_back("box"); });
  link.OnActivated([&] { activated.push_back("link"); });
  window->Show();

  SendMessageW(HandleOf(button), BM_CLICK, 0, 0);
  SendMessageW(HandleOf(box), BM_CLICK, 0, 0);
  SendMessageW(HandleOf(link), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(HandleOf(link), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  PumpFor(milliseconds(50));

  EXPECT_EQ(activated, (std::vector<std::string>{"button", "box", "link"}));
  EXPECT_FALSE(box.Checked());
}

TEST_F(Win32MainWindowTest, ProgramChangesAreNotUserActivations) {
  Control& box = window->AddControl({"chktype1", ControlKind::CheckBox, {296, 32, 65, 17}, "全自动", true});
  Control& button = window->AddControl({"btn1", ControlKind::Button, {104, 208, 75, 25}, "开始"});
  int activations = 0;
  box.OnActivated([&] { ++activations; });
  EXPECT_TRUE(box.Checked());
  box.SetChecked(false);
  EXPECT_FALSE(box.Checked());
  button.SetEnabled(false);
  EXPECT_FALSE(button.Enabled());
  EXPECT_FALSE(IsWindowEnabled(HandleOf(button)));
  PumpFor(milliseconds(50));
  EXPECT_EQ(activations, 0);
}

TEST_F(Win32MainWindowTest, TabOrderIsTheGivenOrder) {
  Control& edit = window->AddControl({"edt1", ControlKind::Edit, {16, 26, 89, 21}, "ZM-"});
  window->AddControl({"grp4", ControlKind::GroupBox, {280, 8, 89, 169}, "选项"});
  Control& box = window->AddControl({"chktype1", ControlKind::CheckBox, {296, 32, 65, 17}, "全自动", true});
  Control& button = window->AddControl({"btn1", ControlKind::Button, {104, 208, 75, 25}, "开始"});
  const std::array<Control*, 3> order{&box, &button, &edit};
  window->SetTabOrder(order);

  HWND first = GetNextDlgTabItem(handle, nullptr, FALSE);
  ASSERT_EQ(first, HandleOf(box));
  HWND second = GetNextDlgTabItem(handle, first, FALSE);
  EXPECT_EQ(second, HandleOf(button));
  HWND third = GetNextDlgTabItem(handle, second, FALSE);
  EXPECT_EQ(third, HandleOf(edit));
  EXPECT_EQ(GetNextDlgTabItem(handle, third, FALSE), first);
}

TEST_F(Win32MainWindowTest, OffTheTaskBarTheWindowIsOwnedByTheHiddenToolWindow) {
  EXPECT_EQ(GetWindow(handle, GW_OWNER), nullptr);
  window->TakeOffTaskbar();
  HWND owner = GetWindow(handle, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(GetWindowLongW(owner, GWL_EXSTYLE), WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(owner));
  wchar_t title[64] = {};
  GetWindowTextW(owner, title, 64);
  EXPECT_EQ(std::wstring(title), L"Zelmora任务提醒器");
}

TEST_F(Win32MainWindowTest, MinimisingCallsTheHandlerAndRestoreBringsTheWindowBack) {
  int minimised = 0;
  window->OnMinimized([&] {
    ++minimised;
    window->Hide();
  });
  window->TakeOffTaskbar();
  window->Show();
  SendMessageW(handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return minimised == 1; }));
  EXPECT_FALSE(window->IsVisible());
  EXPECT_TRUE(IsIconic(handle));

  window->Restore();
  PumpFor(milliseconds(50));
  EXPECT_TRUE(window->IsVisible());
  EXPECT_FALSE(IsIconic(handle));
  EXPECT_EQ(minimised, 1);
}

// While the shell refuses the tray icon (at login, before it is ready) the
// window must stay reachable: minimised with a task-bar button, not hidden.
TEST_F(Win32MainWindowTest, WithoutATrayIconTheWindowKeepsATaskBarButtonUntilTheIconComes) {
  auto& native = dynamic_cast<Win32MainWindow&>(*window);
  window->OnMinimized([&] { window->Hide(); });  // as the tray icon's logic does
  window->TakeOffTaskbar();
  HWND application = GetWindow(handle, GW_OWNER);
  SendMessageW(handle, Win32MainWindow::kTrayIconShownMessage, FALSE, 0);
  EXPECT_EQ(GetWindow(handle, GW_OWNER), nullptr) << "an owned window gets no task-bar button";

  window->Show();
  SendMessageW(handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(handle) != FALSE; }));
  PumpFor(milliseconds(100));
  EXPECT_TRUE(IsWindowVisible(handle)) << "hidden with no icon to bring it back";

  native.TrayIconShown(true);
  EXPECT_FALSE(IsWindowVisible(handle)) << "the icon came, the minimised window did not go into the tray";
  EXPECT_EQ(GetWindow(handle, GW_OWNER), application);

  // The icon lost while the window is in the tray: back on the task bar.
  native.TrayIconShown(false);
  EXPECT_TRUE(IsWindowVisible(handle));
  EXPECT_TRUE(IsIconic(handle));
  EXPECT_EQ(GetWindow(handle, GW_OWNER), nullptr);
}

TEST_F(Win32MainWindowTest, AWindowThatStartedInTheTrayIsCentredWhenFirstRestored) {
  window->TakeOffTaskbar();
  window->Restore();
  PumpFor(milliseconds(50));
  EXPECT_TRUE(window->IsVisible());
  RECT outer{};
  GetWindowRect(handle, &outer);
  EXPECT_LE(std::abs(outer.left + outer.right - GetSystemMetrics(SM_CXVIRTUALSCREEN)), 1);
  EXPECT_LE(std::abs(outer.top + outer.bottom - GetSystemMetrics(SM_CYVIRTUALSCREEN)), 1);
}

// ---- the popup ----

class Win32PopupTest : public Win32MainWindowTest {
 protected:
  void SetUp() override {
    Win32MainWindowTest::SetUp();
    if (IsSkipped()) return;
    popup = desktop->CreatePopup({"Zelmora通知", {300, 200}, {642, 361}, {-2, -2, 350, 251}});
    popupHandle = FindWindowW(L"TForm2", L"Zelmora通知");
  }
  std::unique_ptr<PopupWindow> popup;
  HWND popupHandle = nullptr;
};

TEST_F(Win32PopupTest, StartsHiddenAtItsPositionWithTheFrameAroundTheClientArea) {
  ASSERT_NE(popupHandle, nullptr);
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_EQ(popup->Position().x, 642);
  EXPECT_EQ(popup->Position().y, 361);
  RECT client{};
  GetClientRect(popupHandle, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  const Size outer = popup->OuterSize();
  EXPECT_GT(outer.width, 300);
  EXPECT_GT(outer.height, 200);
  // The dialog frame's styles, top-most and no-activate, and nothing else:
  // a tool window would have a smaller caption and no Alt+Tab entry.
  EXPECT_EQ(GetWindowLongW(popupHandle, GWL_EXSTYLE),
            WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_TOPMOST | WS_EX_NOACTIVATE);
}

TEST_F(Win32PopupTest, SetLeftAndSetTopEachMoveOneCoordinate) {
  popup->SetTop(900);
  EXPECT_EQ(popup->Position().x, 642);
  EXPECT_EQ(popup->Position().y, 900);
  popup->SetLeft(10);
  EXPECT_EQ(popup->Position().x, 10);
  EXPECT_EQ(popup->Position().y, 900);
}

TEST_F(Win32PopupTest, ShowingNeverTakesTheForeground) {
  window->Show();
  PumpUntil([&] { return GetForegroundWindow() == handle; }, milliseconds(1000));
  if (GetForegroundWindow() != handle) GTEST_SKIP() << "the window system gave the main window no foreground";
  popup->Show();
  PumpFor(milliseconds(100));
  EXPECT_TRUE(popup->IsVisible());
  EXPECT_EQ(GetForegroundWindow(), handle);
  popup->Show();  // already visible: raised only
  EXPECT_EQ(GetForegroundWindow(), handle);
}

TEST_F(Win32PopupTest, TheCloseBoxOnlyHides) {
  popup->Show();
  SendMessageW(popupHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpFor(milliseconds(50));
  EXPECT_TRUE(IsWindow(popupHandle));
  EXPECT_FALSE(popup->IsVisible());
  popup->Show();
  EXPECT_TRUE(popup->IsVisible());
}

// ---- what the page view's control holds of ours ----

// The control keeps its own references to the site and the event sink and may
// call them after the popup has gone, as the program exits.
TEST(WebViewObjects, OutliveTheViewWhileHeldAndThenReachNothingOfIt) {
  int completions = 0;
  auto events = WebViewEvents::Create({.documentComplete = [&completions] { ++completions; }});
  auto site = WebViewSite::Create(GetDesktopWindow(), RECT{0, 0, 10, 10});
  Microsoft::WRL::ComPtr<IDispatch> heldEvents = events;
  Microsoft::WRL::ComPtr<IOleInPlaceSite> heldSite;
  ASSERT_EQ(site.As(&heldSite), S_OK);

  DISPPARAMS none{};
  const auto complete = [&] {
    return heldEvents->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                              nullptr);
  };
  EXPECT_EQ(complete(), S_OK);
  EXPECT_EQ(completions, 1);

  // The view lets go.
  events->Detach();
  site->Detach();
  events.Reset();
  site.Reset();

  EXPECT_EQ(complete(), S_OK);
  EXPECT_EQ(completions, 1) << "a late event reached the popup's handler";
  HWND window = nullptr;
  EXPECT_TRUE(FAILED(heldSite->GetWindow(&window)));
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(heldEvents.Reset(), 0u);
  EXPECT_EQ(heldSite.Reset(), 0u);
}

// ---- the error report ----

// A failure escaping a handler reaches the default report: its full stop, its title.
TEST_F(Win32DesktopTest, AHandlersFailureIsAStopIconMessageBoxOfTheDefaultReport) {
  struct Seen {
    std::wstring text;
    bool stopIcon = false;
  };
  Seen seen;
  std::atomic<bool> answered{false};
  // The box is modal: another thread reads it and presses OK.
  std::thread reader([&] {
    const auto deadline = Clock::now() + milliseconds(10000);
    while (Clock::now() < deadline) {
      HWND box = FindWindowW(L"#32770", L"Zelmora任务提醒器");
      if (box != nullptr) {
        wchar_t text[128] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 128);  // the message box's text control
        seen.text = text;
        const auto icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, 0x440, STM_GETICON, 0, 0));
        seen.stopIcon = icon != nullptr && icon == LoadIconW(nullptr, IDI_HAND);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        answered = true;
        return;
      }
      std::this_thread::sleep_for(milliseconds(20));
    }
  });
  desktop->SetApplicationTitle("Zelmora任务提醒器");
  desktop->PostToUi([] { throw Error("设置无法保存"); });
  PumpUntil([&] { return answered.load(); }, milliseconds(10000));
  reader.join();
  ASSERT_TRUE(answered);
  EXPECT_EQ(seen.text, L"设置无法保存.");
  EXPECT_TRUE(seen.stopIcon);
}

// ---- the long time form ----

TEST_F(Win32DesktopTest, LongTimeTextShowsMinutesAndSecondsAndNoDate) {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  local.wHour = 13;
  local.wMinute = 5;
  local.wSecond = 9;
  local.wMilliseconds = 0;
  SYSTEMTIME universal{};
  ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal));
  FILETIME file{};
  SystemTimeToFileTime(&universal, &file);
  const long long ticks =
      static_cast<long long>((static_cast<unsigned long long>(file.dwHighDateTime) << 32) |
                             file.dwLowDateTime) -
      116444736000000000LL;
  const std::chrono::system_clock::time_point when{
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::duration<long long, std::ratio<1, 10'000'000>>(ticks))};
  const std::string text = desktop->LongTimeText(when);
  EXPECT_NE(text.find(":05:09"), std::string::npos) << text;
  EXPECT_EQ(text.find(std::to_string(local.wYear)), std::string::npos) << text;
}

// ---- one reminder per session, start at login, the tray's tooltip ----

TEST_F(Win32DesktopTest, ASecondClaimAsksTheFirstForItsWindowAndGetsNone) {
  auto first = desktop->ClaimInstance();
  ASSERT_NE(first, nullptr);
  int showRequests = 0;
  first->OnShowRequest([&] { ++showRequests; });

  auto secondDesktop = CreateWin32Desktop(GetModuleHandleW(nullptr));
  EXPECT_EQ(secondDesktop->ClaimInstance(), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return showRequests == 1; }));

  first.reset();  // the first reminder ends: the next start is the one
  EXPECT_NE(secondDesktop->ClaimInstance(), nullptr);
}

// The shell refuses the icon at first (not ready yet at login), and again
// when its task bar comes back: the icon is offered again until it is taken.
TEST_F(Win32DesktopTest, ATrayIconTheShellRefusedIsOfferedAgainUntilItIsTaken) {
  MessageWindow window(GetModuleHandleW(nullptr));
  // The shell's own answer about the window's icon `id`.
  const auto shell = [&window](DWORD message, UINT id) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window.Handle();
    data.uID = id;
    return Shell_NotifyIconW(message, &data) != FALSE;
  };
  if (!shell(NIM_ADD, 999)) GTEST_SKIP() << "no tray here";
  shell(NIM_DELETE, 999);

  int refusals = 2;
  Win32TrayIcon icon(window, LoadIconW(nullptr, IDI_APPLICATION),
                     [&refusals](DWORD message, NOTIFYICONDATAW* data) {
                       if (message == NIM_ADD && refusals > 0) {
                         --refusals;
                         return FALSE;
                       }
                       return Shell_NotifyIconW(message, data);
                     });
  std::vector<bool> reported;
  icon.OnShownChanged([&reported](bool shown) { reported.push_back(shown); });
  icon.OnTrayRecreated([&icon] { icon.Add({"again"}); });

  EXPECT_FALSE(icon.Add({"first"}));
  EXPECT_FALSE(icon.IsShown());
  ASSERT_TRUE(PumpUntil([&] { return icon.IsShown(); }, milliseconds(30000)));
  EXPECT_TRUE(shell(NIM_MODIFY, 1)) << "the shell does not hold the window's first icon";

  // The shell restarts without the icon, and refuses it once more.
  shell(NIM_DELETE, 1);
  refusals = 1;
  SendMessageW(window.Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_FALSE(icon.IsShown());
  ASSERT_TRUE(PumpUntil([&] { return icon.IsShown(); }, milliseconds(30000)));
  EXPECT_TRUE(shell(NIM_MODIFY, 1));
  EXPECT_EQ(reported, (std::vector<bool>{false, true, false, true}));
}

std::wstring RunValue() {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  const LONG result = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                   L"Zelmora", RRF_RT_REG_SZ, nullptr, data, &size);
  return result == ERROR_SUCCESS ? data : L"(none)";
}

TEST(Win32StartAtLogin, TheRunValueStartsThisProgramMinimisedAndStarted) {
  auto startAtLogin = OpenSystemStartAtLogin("--minimized --start");
  startAtLogin->Set(false);
  EXPECT_FALSE(startAtLogin->IsOn());

  startAtLogin->Set(true);
  EXPECT_TRUE(startAtLogin->IsOn());
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  EXPECT_EQ(RunValue(), L"\"" + std::wstring(program) + L"\" --minimized --start");

  // Switched off in Task Manager: the value stays, the entry does not run.
  const wchar_t* approved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
  const BYTE disabled[12] = {3};
  RegSetKeyValueW(HKEY_CURRENT_USER, approved, L"Zelmora", REG_BINARY, disabled, sizeof disabled);
  EXPECT_FALSE(startAtLogin->IsOn());
  startAtLogin->Set(true);
  EXPECT_TRUE(startAtLogin->IsOn()) << "switched on here, it is on everywhere";

  startAtLogin->Set(false);
  EXPECT_FALSE(startAtLogin->IsOn());
  EXPECT_EQ(RunValue(), L"(none)");
}

// A value is on only when it starts this program, however its path is written.
TEST(Win32StartAtLogin, OnlyAValueThatStartsThisProgramIsOn) {
  auto startAtLogin = OpenSystemStartAtLogin("--minimized --start");
  const auto setRunValue = [](const std::wstring& command) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Zelmora",
                    REG_SZ, command.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  };
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring shouted(program);
  CharUpperW(shouted.data());

  setRunValue(L"\"C:\\Program Files\\Zelmora (old)\\zelmora.exe\" --minimized --start");
  EXPECT_FALSE(startAtLogin->IsOn()) << "another copy's entry";
  setRunValue(L"\"" + shouted + L"\" --minimized");
  EXPECT_TRUE(startAtLogin->IsOn()) << "the same file in capitals";
  if (std::wstring(program).find(L' ') == std::wstring::npos) {
    setRunValue(std::wstring(program) + L" --minimized --start");
    EXPECT_TRUE(startAtLogin->IsOn()) << "unquoted";
  }
  startAtLogin->Set(true);
  EXPECT_EQ(RunValue(), L"\"" + std::wstring(program) + L"\" --minimized --start") << "ticking rewrites it";
  startAtLogin->Set(false);
}

TEST(Win32TrayTip, IsCutToTheShellsLimitWithoutSplittingACharacter) {
  EXPECT_EQ(TrayTip("Zelmora任务提醒器\n已停止"), L"Zelmora任务提醒器\n已停止");
  EXPECT_EQ(TrayTip(std::string(200, 'x')).size(), 127u);
  const std::wstring cut = TrayTip(std::string(126, 'x') + "😀");  // a character of two UTF-16 units
  EXPECT_EQ(cut, std::wstring(126, L'x'));
}

}  // namespace
}  // namespace zelmora::platform::win32
