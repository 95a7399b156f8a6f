#pragma once
// The program's hidden top-level window. It plays the part of the application
// window (the owner that keeps the main window off the task bar) and receives
// everything that is not aimed at a visible window: timer ticks, tasks posted
// from other threads, tray notifications and the shell's "TaskbarCreated"
// broadcast (which message-only windows would not get).
#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "platform/desktop_win32/window_procedure.h"

namespace zelmora::platform::win32 {

class MessageWindow {
 public:
  explicit MessageWindow(HINSTANCE instance);
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  ~MessageWindow();

  HWND Handle() const { return window_; }

  // Timer ids for SetTimer on this window; ticks go to the registered handler.
  UINT_PTR AddTimer(std::function<void()> onTick);
  void RemoveTimer(UINT_PTR id);

  // Any thread. Runs on the user-interface thread, in posting order.
  void Post(std::function<void()> task);

  // The shell reports mouse codes of icon `id` through TrayCallbackMessage.
  static constexpr UINT kTrayCallbackMessage = 0x800;
  UINT AddTrayIcon(std::function<void(UINT mouseCode)> onMouse, std::function<void()> onTrayRecreated);
  void RemoveTrayIcon(UINT id);

  // A message registered with RegisterWindowMessage, also when another process
  // posts it to all top-level windows. An empty handler removes it.
  void OnRegisteredMessage(UINT message, std::function<void()> handler);

 private:
  struct TrayHandlers {
    std::function<void(UINT)> onMouse;
    std::function<void()> onTrayRecreated;
  };

  friend struct WindowProcedure<MessageWindow>;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void RunPostedTasks();
  void TrayRecreated();

  HWND window_ = nullptr;
  UINT taskbarCreatedMessage_ = 0;
  UINT_PTR nextTimerId_ = 1;
  UINT nextTrayId_ = 1;
  std::map<UINT_PTR, std::function<void()>> timers_;
  std::map<UINT, TrayHandlers> trayIcons_;
  std::map<UINT, std::function<void()>> registeredMessages_;
  std::mutex tasksMutex_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace zelmora::platform::win32
