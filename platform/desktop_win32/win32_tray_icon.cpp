#include "platform/desktop_win32/win32_tray_icon.h"

#include <algorithm>
#include <utility>

#include "core/error.h"
#include "platform/desktop_win32/dimmed_icon.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform::win32 {
namespace {

// A shell that is still starting (at login) gets the icon again this often,
// for this long; a task bar that announces itself later gets it at once.
constexpr int kRetryIntervalMs = 2000;
constexpr std::chrono::minutes kRetryFor{1};

bool IsMouseCode(UINT code) {
  return code >= static_cast<UINT>(TrayMouse::Move) &&
         code <= static_cast<UINT>(TrayMouse::MiddleDoubleClick);
}

}  // namespace

Win32TrayIcon::Win32TrayIcon(MessageWindow& window, HICON icon, ShellNotify notify)
    : window_(window),
      icon_(icon),
      dimmedIcon_(DimmedCopy(icon)),
      notify_(std::move(notify)),
      id_(0),
      retry_(window, [this] { TryAgain(); }) {
  id_ = window_.AddTrayIcon(
      [this](UINT code) {
        if (!IsMouseCode(code) || !onMouse_) return;
        std::function<void(TrayMouse)> handler = onMouse_;
        handler(static_cast<TrayMouse>(code));
      },
      [this] {
        // The new task bar holds none of the old icons; an add now gets a fresh minute.
        added_ = false;
        StopTrying();
        std::function<void()> handler = onTrayRecreated_;
        if (handler) handler();
      });
}

Win32TrayIcon::~Win32TrayIcon() {
  // The icon must not outlive the program in the tray.
  if (added_) Remove();
  window_.RemoveTrayIcon(id_);
  if (dimmedIcon_ != nullptr) DestroyIcon(dimmedIcon_);
}

std::wstring ShellText(const std::string& text, std::size_t room) {
  std::wstring wide = Wide(text);
  const std::size_t longest = room - 1;  // the terminating zero
  if (wide.size() > longest) {
    std::size_t cut = longest;
    if (wide[cut - 1] >= 0xD800 && wide[cut - 1] <= 0xDBFF) --cut;  // the first half of a pair
    wide.resize(cut);
  }
  return wide;
}

std::wstring TrayTip(const std::string& tip) { return ShellText(tip, std::size(NOTIFYICONDATAW{}.szTip)); }

NOTIFYICONDATAW Win32TrayIcon::Record(const TrayIconRecord& record) const {
  NOTIFYICONDATAW data{};  // zero-filled: an empty tooltip
  data.cbSize = sizeof data;
  data.hWnd = window_.Handle();
  data.uID = id_;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = MessageWindow::kTrayCallbackMessage;
  data.hIcon = record.image == TrayImage::Dimmed && dimmedIcon_ != nullptr ? dimmedIcon_ : icon_;
  const std::wstring tip = TrayTip(record.tip);
  std::copy(tip.begin(), tip.end(), data.szTip);
  return data;
}

bool Win32TrayIcon::Shell(DWORD message, const TrayIconRecord& record) {
  NOTIFYICONDATAW data = Record(record);
  return notify_(message, &data) != FALSE;
}

bool Win32TrayIcon::Add(const TrayIconRecord& record) {
  if (Shell(NIM_ADD, record)) {
    Added();
    return true;
  }
  // An icon already there is refused as a duplicate, and that is all.
  if (added_) return false;
  if (HeldAfterAll(record)) {
    Added();
  } else {
    Refused(record);
  }
  return false;
}

// A busy shell may have taken an add while reporting a time-out, and a task
// bar that announced itself just after taking the icon still holds it: the
// icon is there when a change to it succeeds.
bool Win32TrayIcon::HeldAfterAll(const TrayIconRecord& record) { return Shell(NIM_MODIFY, record); }

bool Win32TrayIcon::Modify(const TrayIconRecord& record) {
  if (refused_) {
    refused_ = record;  // the next try offers the icon as it is now
    return false;
  }
  return Shell(NIM_MODIFY, record);
}

bool Win32TrayIcon::Remove() {
  StopTrying();
  const bool removed = Shell(NIM_DELETE, {});
  added_ = false;
  return removed;
}

void Win32TrayIcon::Added() {
  added_ = true;
  StopTrying();
  // Version 0: the classic notifications, the mouse message in lParam.
  NOTIFYICONDATAW data = Record({});
  data.uVersion = 0;
  notify_(NIM_SETVERSION, &data);
  if (std::exchange(missingReported_, false)) ReportShown(true);
}

void Win32TrayIcon::Refused(const TrayIconRecord& record) {
  if (!refused_) {
    tryUntil_ = std::chrono::steady_clock::now() + kRetryFor;
    try {
      retry_.Start(kRetryIntervalMs);
    } catch (const Error&) {
      // No timer left: the next "TaskbarCreated" is the one chance.
    }
  }
  refused_ = record;
  if (!std::exchange(missingReported_, true)) ReportShown(false);
}

void Win32TrayIcon::TryAgain() {
  if (!refused_) return;
  if (Shell(NIM_ADD, *refused_) || HeldAfterAll(*refused_)) {
    Added();
  } else if (std::chrono::steady_clock::now() >= tryUntil_) {
    StopTrying();
  }
}

void Win32TrayIcon::StopTrying() {
  retry_.Stop();
  refused_.reset();
}

void Win32TrayIcon::ReportShown(bool shown) {
  std::function<void(bool)> handler = onShownChanged_;
  if (handler) handler(shown);
}

namespace {

// Appends the entries to `menu`, submenus included; each command's handler
// goes into `handlers` at its id less one.
void AppendEntries(HMENU menu, const std::vector<TrayMenuItem>& items,
                   std::vector<std::function<void()>>& handlers) {
  for (const TrayMenuItem& item : items) {
    if (item.text.empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING;
    if (item.checked && item.checked()) flags |= MF_CHECKED;
    if (item.enabled && !item.enabled()) flags |= MF_GRAYED;
    if (item.submenu) {
      HMENU submenu = CreatePopupMenu();
      if (submenu == nullptr) continue;
      AppendEntries(submenu, item.submenu(), handlers);
      // The menu owns its submenu from here on and destroys it with itself.
      AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), Wide(item.text).c_str());
      continue;
    }
    handlers.push_back(item.chosen);
    AppendMenuW(menu, flags, handlers.size(), Wide(item.text).c_str());
  }
}

}  // namespace

void Win32TrayIcon::PopUpMenu() {
  if (items_.empty()) return;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  // Copies: a handler may replace the menu.
  std::vector<std::function<void()>> handlers;
  AppendEntries(menu, items_, handlers);
  POINT cursor{};
  GetCursorPos(&cursor);
  // Without the foreground the menu would stay open when the user clicks elsewhere;
  // the empty message afterwards lets it close properly (a known shell quirk).
  SetForegroundWindow(window_.Handle());
  const auto chosen =
      static_cast<std::size_t>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, cursor.x,
                                              cursor.y, 0, window_.Handle(), nullptr));
  PostMessageW(window_.Handle(), WM_NULL, 0, 0);
  DestroyMenu(menu);
  if (chosen == 0 || chosen > handlers.size()) return;
  if (handlers[chosen - 1]) handlers[chosen - 1]();
}

void Win32TrayIcon::ShowMessage(const TrayMessage& message) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window_.Handle();
  data.uID = id_;
  data.uFlags = NIF_INFO;
  // The reminder plays its own sound, when the user has it on.
  data.dwInfoFlags = (message.kind == TrayMessage::Kind::Warning ? NIIF_WARNING : NIIF_INFO) | NIIF_NOSOUND;
  const std::wstring title = ShellText(message.title, std::size(data.szInfoTitle));
  const std::wstring text = ShellText(message.text, std::size(data.szInfo));
  std::copy(title.begin(), title.end(), data.szInfoTitle);
  std::copy(text.begin(), text.end(), data.szInfo);
  notify_(NIM_MODIFY, &data);
}

void Win32TrayIcon::OnMouse(std::function<void(TrayMouse)> handler) { onMouse_ = std::move(handler); }

void Win32TrayIcon::OnTrayRecreated(std::function<void()> handler) { onTrayRecreated_ = std::move(handler); }

}  // namespace zelmora::platform::win32
