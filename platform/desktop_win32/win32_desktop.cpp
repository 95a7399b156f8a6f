#include "platform/desktop_win32/win32_desktop.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/desktop_win32/browser_features.h"
#include "platform/desktop_win32/handler_call.h"
#include "platform/desktop_win32/long_time_picture.h"
#include "platform/desktop_win32/message_window.h"
#include "platform/desktop_win32/program_icon.h"
#include "platform/desktop_win32/win32_main_window.h"
#include "platform/desktop_win32/win32_popup_window.h"
#include "platform/desktop_win32/win32_single_instance.h"
#include "platform/desktop_win32/win32_timer_backend.h"
#include "platform/desktop_win32/win32_tray_icon.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform::win32 {
namespace {

// PlaySound's SND_SYSTEM (playsoundapi.h), which MinGW's headers lack.
constexpr DWORD kSoundAsSystemNotification = 0x00200000;

// 100-nanosecond ticks between 1601-01-01 (FILETIME) and 1970-01-01 (system_clock).
constexpr long long kFileTimeAtUnixEpoch = 116444736000000000LL;

SYSTEMTIME LocalSystemTime(std::chrono::system_clock::time_point when) {
  const auto ticks = std::chrono::duration_cast<std::chrono::duration<long long, std::ratio<1, 10'000'000>>>(
                         when.time_since_epoch())
                         .count() +
                     kFileTimeAtUnixEpoch;
  ULARGE_INTEGER value{};
  value.QuadPart = static_cast<ULONGLONG>(ticks);
  FILETIME universal{value.LowPart, value.HighPart};
  SYSTEMTIME universalTime{};
  SYSTEMTIME localTime{};
  FileTimeToSystemTime(&universal, &universalTime);
  SystemTimeToTzSpecificLocalTime(nullptr, &universalTime, &localTime);
  return localTime;
}

class Win32Desktop final : public Desktop {
 public:
  explicit Win32Desktop(HINSTANCE instance) : instance_(instance), messageWindow_(instance) {
    SetHandlerFailureDesktop(this);
  }
  ~Win32Desktop() override { ForgetHandlerFailureDesktop(this); }
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  void SetApplicationTitle(std::string_view title) override {
    // The hidden message window stands for the application window.
    applicationTitle_ = Wide(title);
    SetWindowTextW(messageWindow_.Handle(), applicationTitle_.c_str());
  }

  std::unique_ptr<MainWindow> CreateMainWindow(const MainWindowSpec& design) override {
    auto window = std::make_unique<Win32MainWindow>(instance_, messageWindow_.Handle(), design);
    mainWindow_ = window->Handle();
    return window;
  }

  std::unique_ptr<PopupWindow> CreatePopup(const PopupSpec& design) override {
    // Before the page view's engine first starts: it reads them once.
    SetBrowserFeatures();
    auto popup = std::make_unique<Win32PopupWindow>(instance_, design);
    popup_ = popup->Handle();
    return popup;
  }

  std::unique_ptr<TrayIcon> CreateTrayIcon() override {
    auto icon = std::make_unique<Win32TrayIcon>(messageWindow_, ProgramIcon(instance_, IconSize::Small));
    // By message: the main window may be gone before the icon.
    icon->OnShownChanged([this](bool shown) {
      if (mainWindow_ != nullptr && IsWindow(mainWindow_))
        SendMessageW(mainWindow_, Win32MainWindow::kTrayIconShownMessage, shown ? TRUE : FALSE, 0);
    });
    return icon;
  }

  std::unique_ptr<TimerBackend> CreateTimer(std::function<void()> onTick) override {
    return std::make_unique<Win32TimerBackend>(messageWindow_, std::move(onTick));
  }

  void PostToUi(std::function<void()> task) override { messageWindow_.Post(std::move(task)); }

  Rect WorkArea() const override {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return {area.left, area.top, area.right - area.left, area.bottom - area.top};
  }

  void ShowError(const std::string& text) override {
    MessageBoxW(GetActiveWindow(), Wide(text).c_str(), applicationTitle_.c_str(), MB_OK | MB_ICONSTOP);
  }

  void ShellOpen(const std::string& address) override {
    // Failures are the shell's to report or not; the program goes on either way.
    ShellExecuteW(nullptr, L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }

  std::chrono::system_clock::time_point Now() const override { return std::chrono::system_clock::now(); }

  std::string LongTimeText(std::chrono::system_clock::time_point when) const override {
    const SYSTEMTIME local = LocalSystemTime(when);
    wchar_t localeFormat[80] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STIMEFORMAT, localeFormat, 80);
    const std::wstring picture = LongTimePicture(localeFormat);
    wchar_t text[80] = {};
    const int length = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, picture.c_str(), text, 80);
    if (length <= 0) return {};
    // A locale whose user blanked the AM/PM texts leaves the marker's space alone.
    std::wstring_view shown(text, static_cast<size_t>(length - 1));
    shown.remove_prefix(std::min(shown.find_first_not_of(L' '), shown.size()));
    shown.remove_suffix(shown.size() - (shown.find_last_not_of(L' ') + 1));
    return Narrow(shown);
  }

  std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point when) const override {
    const SYSTEMTIME local = LocalSystemTime(when);
    return std::chrono::year(local.wYear) / std::chrono::month(local.wMonth) / std::chrono::day(local.wDay);
  }

  std::unique_ptr<InstanceClaim> ClaimInstance() override { return ClaimWin32Instance(messageWindow_); }

  void PlayNewTaskSound() override {
    // The system's notification sound, at the volume of system sounds; a system
    // without it (before Windows 8) beeps its information sound instead.
    if (!PlaySoundW(L"Notification.Default", nullptr,
                    SND_ALIAS | SND_ASYNC | SND_NODEFAULT | kSoundAsSystemNotification)) {
      MessageBeep(MB_ICONINFORMATION);
    }
  }

  int Run() override {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (TakenByPage(message)) continue;
      // Tab and the arrow keys move between the main window's controls.
      if (mainWindow_ != nullptr && IsWindow(mainWindow_) && IsDialogMessageW(mainWindow_, &message))
        continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
  }

 private:
  // The page in the popup has the first say on its keys, as a browser's page does.
  bool TakenByPage(MSG& message) const {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    if (popup_ == nullptr || !IsWindow(popup_) || !IsChild(popup_, message.hwnd)) return false;
    return SendMessageW(popup_, Win32PopupWindow::kTranslateKeyMessage, 0,
                        reinterpret_cast<LPARAM>(&message)) != FALSE;
  }

  HINSTANCE instance_;
  MessageWindow messageWindow_;
  HWND mainWindow_ = nullptr;
  HWND popup_ = nullptr;
  std::wstring applicationTitle_;
};

}  // namespace

std::unique_ptr<Desktop> CreateWin32Desktop(HINSTANCE instance) {
  return std::make_unique<Win32Desktop>(instance);
}

}  // namespace zelmora::platform::win32
