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

std::wstring TrayTip(const std::string& tip) {
  std::wstring wide = Wide(tip);
  constexpr std::size_t kLongest = std::size(NOTIFYICONDATAW{}.szTip) - 1;
  if (wide.size() > kLongest) {
    std::size_t cut = kLongest;
    if (wide[cut - 1] >= 0xD800 && wide[cut - 1] <= 0xDBFF) --cut;  // the first half of a pair
    wide.resize(cut);
  }
  return wide;
}

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

void Win32TrayIcon::PopUpMenu() {
  if (items_.empty()) return;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const TrayMenuItem& item = items_[i];
    if (item.text.empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING;
    if (item.checked && item.checked()) flags |= MF_CHECKED;
    if (item.enabled && !item.enabled()) flags |= MF_GRAYED;
    AppendMenuW(menu, flags, i + 1, Wide(item.text).c_str());
  }
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
  if (chosen == 0 || chosen > items_.size()) return;
  // A copy: the handler may replace the menu.
  std::function<void()> handler = items_[chosen - 1].chosen;
  if (handler) handler();
}

void Win32TrayIcon::OnMouse(std::function<void(TrayMouse)> handler) { onMouse_ = std::move(handler); }

void Win32TrayIcon::OnTrayRecreated(std::function<void()> handler) { onTrayRecreated_ = std::move(handler); }

}  // namespace zelmora::platform::win32
