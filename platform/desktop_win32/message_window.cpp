#include "platform/desktop_win32/message_window.h"

#include <utility>
#include <vector>

#include "core/error.h"
#include "platform/desktop_win32/comctl_version.h"
#include "platform/desktop_win32/handler_call.h"

namespace zelmora::platform::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TApplication";
constexpr UINT kRunPostedTasks = WM_APP + 1;

}  // namespace

MessageWindow::MessageWindow(HINSTANCE instance) {
  RegisterWindowClass<MessageWindow>(instance, kClassName, WindowLook::Hidden);
  if (CommonControlsAnnounceTaskbar()) taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
  // Never shown; WS_POPUP keeps it top-level so that broadcasts reach it.
  window_ = CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
  if (window_ == nullptr) throw Error("Cannot create the program's message window");
  // A reminder run as administrator would not hear the shell's broadcast otherwise.
  if (taskbarCreatedMessage_ != 0)
    ChangeWindowMessageFilterEx(window_, taskbarCreatedMessage_, MSGFLT_ALLOW, nullptr);
}

MessageWindow::~MessageWindow() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

UINT_PTR MessageWindow::AddTimer(std::function<void()> onTick) {
  const UINT_PTR id = nextTimerId_++;
  timers_.emplace(id, std::move(onTick));
  return id;
}

void MessageWindow::RemoveTimer(UINT_PTR id) {
  KillTimer(window_, id);
  timers_.erase(id);
}

void MessageWindow::Post(std::function<void()> task) {
  {
    std::lock_guard lock(tasksMutex_);
    tasks_.push_back(std::move(task));
  }
  // A lost wake-up (full message queue) is made good by the next one: every
  // wake-up runs all tasks queued so far.
  PostMessageW(window_, kRunPostedTasks, 0, 0);
}

UINT MessageWindow::AddTrayIcon(std::function<void(UINT)> onMouse, std::function<void()> onTrayRecreated) {
  const UINT id = nextTrayId_++;
  trayIcons_.emplace(id, TrayHandlers{std::move(onMouse), std::move(onTrayRecreated)});
  return id;
}

void MessageWindow::RemoveTrayIcon(UINT id) { trayIcons_.erase(id); }

void MessageWindow::OnRegisteredMessage(UINT message, std::function<void()> handler) {
  if (handler) {
    registeredMessages_[message] = std::move(handler);
  } else {
    registeredMessages_.erase(message);
  }
}

void MessageWindow::RunPostedTasks() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(tasksMutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    CallHandler(task);
  }
}

void MessageWindow::TrayRecreated() {
  // Copies: a handler may add or remove icons.
  std::vector<std::function<void()>> handlers;
  for (const auto& [id, icon] : trayIcons_) handlers.push_back(icon.onTrayRecreated);
  for (const auto& handler : handlers) CallHandler(handler);
}

LRESULT MessageWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: {
      auto timer = timers_.find(wParam);
      if (timer == timers_.end()) return 0;
      // A copy, since the handler may stop and destroy its own timer.
      std::function<void()> onTick = timer->second;
      CallHandler(onTick);
      return 0;
    }
    case kRunPostedTasks: RunPostedTasks(); return 0;
    case kTrayCallbackMessage: {
      auto icon = trayIcons_.find(static_cast<UINT>(wParam));
      if (icon == trayIcons_.end() || !icon->second.onMouse) return 0;
      std::function<void(UINT)> onMouse = icon->second.onMouse;
      const UINT mouseCode = static_cast<UINT>(lParam);
      CallHandler([&] { onMouse(mouseCode); });
      return 0;
    }
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
    case WM_CLOSE:
    case WM_QUIT:
      // Never blocks a log-off and is not closed by anyone but its owner.
      return 1;
    default:
      if (taskbarCreatedMessage_ != 0 && message == taskbarCreatedMessage_) {
        TrayRecreated();
        return 0;
      }
      if (auto registered = registeredMessages_.find(message); registered != registeredMessages_.end()) {
        std::function<void()> handler = registered->second;
        CallHandler(handler);
        return 0;
      }
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace zelmora::platform::win32
