#include "app/reminder.h"

#include <string>
#include <utility>

#include "app/main_form_layout.h"
#include "core/error_report.h"
#include "core/event_log.h"

namespace zelmora {
namespace {

constexpr int kStartPressCheckMs = 100;

}  // namespace

Reminder::Reminder(platform::Desktop& desktop, TForm1::Services services, UserChoices choices,
                   const StartOptions& startOptions)
    : desktop_(desktop),
      choices_(std::move(choices)),
      status_(kApplicationTitle, [&desktop](auto when) { return desktop.LongTimeText(when); }),
      pageViewStatus_([&desktop](auto when) { return desktop.LongTimeText(when); }),
      alarm_(kApplicationTitle),
      todaysTasks_(desktop) {
  desktop.SetApplicationTitle(kApplicationTitle);
  if (startOptions.start) {
    startUpHold_ = std::make_unique<ErrorReportHold>([this](const std::string& shown) {
      heldErrors_.push_back(shown);
      if (form1_) ShowTrayState();  // the main window's creation reports before there is a tray icon
    });
  }
  const std::string host = services.taskServerHost;
  form1_ = std::make_unique<TForm1>(desktop, state_, std::move(services));
  form2_ = std::make_unique<TForm2>(
      desktop, state_, host,
      TForm2::Inputs{form1_->Controls().edt1, form1_->Controls().edt3, form1_->Filters(), form1_->tmr3()});
  form1_->AttachPopup(*form2_);
  form2_->OnNewTask([this](const std::string& taskPage) { NewTask(taskPage); });
  form2_->Window().OnPageViewTrouble([this](const std::string& trouble) { ShowPageViewTrouble(trouble); });

  form1_->Poll().OnNews([this](const PollNews& news) { ShowPollNews(news); });
  form1_->Window().OnRestored([this] { ShowHeldErrors(); });
  ShowTrayState();
  form1_->tray1().SetPopupMenu(TrayMenu());
}

Reminder::~Reminder() { *alive_ = false; }

std::vector<platform::TrayMenuItem> Reminder::TrayMenu() {
  auto guarded = [this](std::function<void()> handler) { return Guarded(desktop_, std::move(handler)); };
  TForm1& form = *form1_;
  std::vector<platform::TrayMenuItem> menu{
      {"显示主窗口", guarded([this] { ShowMainWindow(); }), {}, {}},
      // The very handlers of the buttons, enabled as the buttons are.
      {"开始",
       guarded([&form] { form.btn1Click(); }),
       {},
       [&form] { return form.Controls().btn1.Enabled(); }},
      {"停止", guarded([&form] { form.btn2Click(); }), {}, {}},
      {"查看提示", guarded([&form] { form.btn3Click(); }), {}, {}},
      {"今日任务",
       {},
       {},
       {},
       [this] {
         return todaysTasks_.Menu([this](const std::string& taskPage) {
           Guarded(desktop_, [this, &taskPage] { form2_->ShowTaskPage(taskPage); })();
         });
       }},
      {},
  };
  if (choices_.startAtLogin != nullptr) {
    platform::StartAtLogin& startAtLogin = *choices_.startAtLogin;
    menu.push_back({"开机自动启动",
                    guarded([this] { SwitchStartAtLogin(); }),
                    [&startAtLogin] { return startAtLogin.IsOn(); },
                    {}});
  }
  menu.push_back({"新任务提示音",
                  guarded([this] { SwitchNewTaskSound(); }),
                  [this] { return choices_.newTaskSound; },
                  {}});
  menu.push_back({});
  menu.push_back({"退出", guarded([&form] { form.Window().Close(); }), {}, {}});
  return menu;
}

void Reminder::Begin(const StartOptions& options) {
  platform::MainWindow& window = form1_->Window();
  if (!options.minimized) {
    window.Show();
  } else if (!form1_->tray1().InTray()) {
    window.ShowMinimized();
  }
  // Otherwise the program starts as it is after minimising: in the tray.
  if (!options.start) return;
  // Pressed once the auto-close timer's start-up firing is over, as any user's
  // press is: that firing hides the popup, and the first counter reply after
  // Start may already have opened it for a new task.
  startPress_ = std::make_unique<Timer>(desktop_, kStartPressCheckMs, true, [this, options] {
    if (form1_->tmr3().Enabled()) return;
    startPress_->SetEnabled(false);
    // Unless the user was quicker.
    if (form1_->Controls().btn1.Enabled()) Guarded(desktop_, [this] { form1_->btn1Click(); })();
    // Start-up is over: from now on reports show as they come. Polling runs, so
    // a box in sight no longer holds anything up.
    startUpHold_.reset();
    if (!options.minimized) ShowHeldErrors();
  });
}

void Reminder::ShowMainWindow() { form1_->tray1().RestoreMainWindow(); }

void Reminder::ShowPollNews(const PollNews& news) {
  // The watcher asks for the new task's page at its next tick, up to a second
  // from now: a page view that is slow to start uses that second.
  if (news.kind == PollNews::Kind::Answered && state_.NewTaskFlag.load(std::memory_order_acquire) == 1) {
    form2_->Window().PreparePageView();
  }
  const std::string change = status_.Apply(news);
  if (!change.empty()) LogEvent(change);
  ShowTrayState();
  RaiseAlarm(news);
}

void Reminder::ShowPageViewTrouble(const std::string& trouble) {
  const std::string change = pageViewStatus_.Apply(trouble, desktop_.Now());
  if (!change.empty()) LogEvent(change);
  ShowTrayState();
}

void Reminder::RaiseAlarm(const PollNews& news) {
  const auto notice = alarm_.Apply(news, status_.Failure());
  if (!notice) return;
  LogEvent(notice->logLine);
  form1_->tray1().ShowMessage(notice->message);
  if (choices_.newTaskSound) desktop_.PlayNewTaskSound();
}

void Reminder::ShowTrayState() {
  std::string tooltip = status_.Tooltip() + pageViewStatus_.TooltipLines();
  if (!heldErrors_.empty()) tooltip += "\n启动时出错（打开主窗口查看）：" + heldErrors_.front();
  form1_->tray1().SetHint(tooltip);
  const bool troubled = !heldErrors_.empty() || pageViewStatus_.Troubled();
  form1_->tray1().SetImage(troubled ? platform::TrayImage::Dimmed : status_.Image());
}

// Once the user is at the main window, held reports show and nothing more is held.
void Reminder::ShowHeldErrors() {
  startUpHold_.reset();
  if (heldErrors_.empty()) return;
  const std::vector<std::string> errors = std::exchange(heldErrors_, {});
  ShowTrayState();
  // Posted: the window comes first, and a second start gets its answer meanwhile.
  desktop_.PostToUi([this, alive = alive_, errors] {
    for (const std::string& shown : errors) {
      if (*alive) ShowErrorReport(desktop_, shown);
    }
  });
}

void Reminder::SwitchStartAtLogin() {
  const bool on = !choices_.startAtLogin->IsOn();
  choices_.startAtLogin->Set(on);
  LogEvent(on ? "start at login switched on" : "start at login switched off");
}

void Reminder::SwitchNewTaskSound() {
  const bool on = !choices_.newTaskSound;
  // Kept first: a choice that cannot be stored stays as it was (the failure is reported).
  if (choices_.saveNewTaskSound) choices_.saveNewTaskSound(on);
  choices_.newTaskSound = on;
  LogEvent(on ? "new-task sound switched on" : "new-task sound switched off");
}

void Reminder::NewTask(const std::string& taskPage) {
  const int32_t taskId = state_.TaskId.load();
  LogEvent("new task " + std::to_string(taskId));
  todaysTasks_.Add({desktop_.Now(), taskId, taskPage});
  if (choices_.newTaskSound) desktop_.PlayNewTaskSound();
}

}  // namespace zelmora
