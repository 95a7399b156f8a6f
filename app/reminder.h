#pragma once
#include <functional>
#include <memory>

#include "app/command_line.h"
#include "app/main_form.h"
#include "core/error_report.h"
#include "core/timer.h"
#include "notify/page_view_status.h"
#include "notify/poll_status.h"
#include "notify/polling_alarm.h"
#include "notify/popup_form.h"
#include "notify/todays_tasks.h"
#include "platform/desktop.h"
#include "platform/start_at_login.h"
#include "poll/poll_state.h"

namespace zelmora {

// The whole reminder on a desktop, built as the program entry builds it: the
// application's title, the main window TForm1 (its creation loads the settings),
// then the hidden notification window TForm2 wired to the main window's
// controls and timers, and the tray icon's menu and tooltip. The program and
// the tests build it here alike.
// The user's own choices, kept apart from the machine-wide settings.
struct UserChoices {
  platform::StartAtLogin* startAtLogin = nullptr;  // no menu entry without it
  bool newTaskSound = false;                       // as stored
  std::function<void(bool)> saveNewTaskSound;      // may throw (reported)
};

class Reminder {
 public:
  // With `startOptions.start` (start at login), the errors of the start-up are
  // held, not shown: they wait in the tray (tooltip, dimmed icon) and the log
  // until the main window is opened, and nothing waits for a click.
  Reminder(platform::Desktop& desktop, TForm1::Services services, UserChoices choices = {},
           const StartOptions& startOptions = {});
  Reminder(const Reminder&) = delete;
  Reminder& operator=(const Reminder&) = delete;
  ~Reminder();

  // Shows the main window, or leaves the program in the tray (minimised where
  // there is no tray), then presses Start if asked to, about a second later.
  void Begin(const StartOptions& options);
  // What the tray menu's first entry and a second start of the program do.
  void ShowMainWindow();

  TForm1& Form1() { return *form1_; }
  TForm2& Form2() { return *form2_; }
  PollState& State() { return state_; }
  const PollStatus& Status() const { return status_; }
  bool NewTaskSound() const { return choices_.newTaskSound; }

 private:
  std::vector<platform::TrayMenuItem> TrayMenu();
  void ShowPollNews(const PollNews& news);
  void ShowPageViewTrouble(const std::string& trouble);
  void ShowTrayState();
  void ShowHeldErrors();
  void SwitchStartAtLogin();
  void SwitchNewTaskSound();
  void NewTask(const std::string& taskPage);
  void RaiseAlarm(const PollNews& news);

  platform::Desktop& desktop_;
  UserChoices choices_;
  PollStatus status_;
  PageViewStatus pageViewStatus_;
  PollingAlarm alarm_;
  TodaysTasks todaysTasks_;
  PollState state_;
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm2> form2_;      // goes first: it holds on to the main window's controls
  std::unique_ptr<Timer> startPress_;  // --start: presses Start once it is safe to
  std::unique_ptr<ErrorReportHold> startUpHold_;
  std::vector<std::string> heldErrors_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zelmora
