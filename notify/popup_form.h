#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "core/timer.h"
#include "platform/desktop.h"
#include "poll/poll_state.h"
#include "poll/task_filters.h"

namespace zelmora {

// The notification window TForm2 and the main window's handlers that drive it:
// the new-task watcher, the page-loaded placement, the auto-close and View.
class TForm2 {
 public:
  struct Inputs {
    platform::Control& edt1;  // worker id, read when the task-page address is built
    platform::Control& edt3;  // close time in seconds
    const TaskFilters& filters;
    Timer& tmr3;  // the main window's auto-close timer
  };

  TForm2(platform::Desktop& desktop, PollState& state, std::string host, Inputs inputs);

  // Main window's handlers.
  void tmr2Timer();
  void tmr3Timer();
  void btn3Click();
  // Shows the popup again on an earlier task's page (from the tray's list).
  void ShowTaskPage(const std::string& taskPage);
  // Popup's handler for the page view's document-complete event.
  void wb1DocumentComplete();

  // The watcher took a new task, whose page it is about to ask for.
  void OnNewTask(std::function<void(const std::string& taskPage)> handler) {
    onNewTask_ = std::move(handler);
  }

  int32_t CloseTime() const { return closeTime_; }
  platform::PopupWindow& Window() { return *window_; }

 private:
  void PlaceAtBottomRight();

  platform::Desktop& desktop_;
  PollState& state_;
  std::string host_;
  Inputs inputs_;
  std::unique_ptr<platform::PopupWindow> window_;
  int32_t closeTime_ = 0;
  std::function<void(const std::string& taskPage)> onNewTask_;
};

}  // namespace zelmora
