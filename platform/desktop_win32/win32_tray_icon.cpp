#include "platform/desktop_win32/win32_tray_icon.h"

#include <algorithm>
#include <utility>

#include "platform/desktop_win32/dimmed_icon.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform::win32 {
namespace {

bool IsMouseCode(UINT code) {
  return code >= static_cast<UINT>(TrayMouse::Move) &&
         code <= static_cast<UINT>(TrayMouse::MiddleDoubleClick);
}

}  // namespace

Win32TrayIcon::Win32TrayIcon(MessageWindow& window, HICON icon)
    : window_(window), icon_(icon), dimmedIcon_(DimmedCopy(icon)), id_(0) {
  id_ = window_.AddTrayIcon(
      [this](UINT code) {
        if (!IsMouseCode(code) || !onMouse_) return;
        std::function<void(TrayMouse)> handler = onMouse_;
        handler(static_cast<TrayMouse>(code));
      },
      [this] {
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

bool Win32TrayIcon::Add(const TrayIconRecord& record) {
  NOTIFYICONDATAW data = Record(record);
  if (!Shell_NotifyIconW(NIM_ADD, &data)) return false;
  added_ = true;
  // Version 0: the classic notifications, the mouse message in lParam.
  data.uVersion = 0;
  Shell_NotifyIconW(NIM_SETVERSION, &data);
  return true;
}

bool Win32TrayIcon::Modify(const TrayIconRecord& record) {
  NOTIFYICONDATAW data = Record(record);
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool Win32TrayIcon::Remove() {
  NOTIFYICONDATAW data = Record({});
  const bool removed = Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
  added_ = false;
  return removed;
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
  Shell_NotifyIconW(NIM_MODIFY, &data);
}

void Win32TrayIcon::OnMouse(std::function<void(TrayMouse)> handler) { onMouse_ = std::move(handler); }

void Win32TrayIcon::OnTrayRecreated(std::function<void()> handler) { onTrayRecreated_ = std::move(handler); }

}  // namespace zelmora::platform::win32
