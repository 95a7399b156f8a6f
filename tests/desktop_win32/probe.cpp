// Looks at the program's windows from inside the Wine prefix, where X tools see
// only the virtual desktop. Prints plain lines for the smoke test to parse.
//   probe find CAPTION       hwnd, visibility, styles, window and client rectangles
//   probe minimize CAPTION   the minimise system command, as the minimise box sends it
//   probe close CAPTION      asks the window to close, as its close box does
//   probe foreground         the foreground window
//   probe focus              the control with the keyboard focus in the foreground window
//   probe untray CAPTION     removes tray icon 1 of that window, as a crashing shell loses it
//   probe taskbar-created    the broadcast of a re-created task bar
//   probe list               every top-level window and the task bar's children
//   probe dialog CAPTION     the text of that message box, which it then answers with OK
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length > 0 ? length - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

void Describe(HWND window) {
  wchar_t className[128] = {};
  wchar_t caption[256] = {};
  GetClassNameW(window, className, 128);
  GetWindowTextW(window, caption, 256);
  RECT outer{};
  RECT client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  std::printf(
      "hwnd=%p class=%s caption=%s visible=%d iconic=%d style=0x%08lx exstyle=0x%08lx owner=%p "
      "window=%ld,%ld,%ld,%ld client=%ld,%ld,%ld,%ld\n",
      static_cast<void*>(window), Utf8(className).c_str(), Utf8(caption).c_str(),
      IsWindowVisible(window) ? 1 : 0, IsIconic(window) ? 1 : 0,
      static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE)),
      static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE)),
      static_cast<void*>(GetWindow(window, GW_OWNER)), outer.left, outer.top, outer.right, outer.bottom,
      origin.x, origin.y, origin.x + client.right, origin.y + client.bottom);
}

BOOL CALLBACK DescribeChild(HWND window, LPARAM) {
  std::printf("  ");
  Describe(window);
  return TRUE;
}

BOOL CALLBACK DescribeTopLevel(HWND window, LPARAM) {
  Describe(window);
  wchar_t className[128] = {};
  GetClassNameW(window, className, 128);
  if (std::wstring(className) == L"Shell_TrayWnd") EnumChildWindows(window, DescribeChild, 0);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"list") {
    EnumWindows(DescribeTopLevel, 0);
    return 0;
  }
  if (argc == 2 && std::wstring(argv[1]) == L"foreground") {
    HWND window = GetForegroundWindow();
    if (window == nullptr) return 1;
    Describe(window);
    return 0;
  }
  if (argc == 2 && std::wstring(argv[1]) == L"focus") {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    if (!GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr) return 1;
    Describe(info.hwndFocus);
    return 0;
  }
  if (argc == 2 && std::wstring(argv[1]) == L"taskbar-created") {
    const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return 0;
  }
  if (argc == 3 && std::wstring(argv[1]) == L"dialog") {
    HWND box = FindWindowW(L"#32770", argv[2]);
    if (box == nullptr) return 1;
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);  // a message box's text control
    std::printf("%s\n", Utf8(text).c_str());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (argc != 3) return 2;
  HWND window = FindWindowW(nullptr, argv[2]);
  if (window == nullptr) return 1;
  const std::wstring command = argv[1];
  if (command == L"find") {
    Describe(window);
    return 0;
  }
  if (command == L"minimize") {
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return 0;
  }
  if (command == L"untray") {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    return Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : 1;
  }
  if (command == L"close") {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  return 2;
}
