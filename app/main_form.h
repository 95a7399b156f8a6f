#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/main_form_controls.h"
#include "core/timer.h"
#include "notify/popup_form.h"
#include "notify/tray_icon.h"
#include "platform/codepage.h"
#include "platform/desktop.h"
#include "poll/poll_cycle.h"
#include "poll/poll_state.h"

namespace zelmora {

// The main window TForm1: its controls, buttons, links and timers.
class TForm1 {
 public:
  struct Services {
    std::string taskServerHost;
    std::string supportQq;
    std::string qqChatHost;
    ExchangeFactory makeExchange;
    // Copy between the settings controls and the store; may throw (reported).
    std::function<void(const MainFormControls&)> loadSettings;
    std::function<void(const MainFormControls&)> saveSettings;
    // GBK bytes of an announcement to UTF-8; may throw (reported).
    std::function<std::string(std::string_view)> decodeGbk = platform::GbkToUtf8;
  };

  // Creates the window, its controls, timers and tray icon, then runs FormCreate.
  TForm1(platform::Desktop& desktop, PollState& state, Services services);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The notification window is created after the main window and handed in here.
  void AttachPopup(TForm2& popup);

  void FormCreate();
  void btn1Click();
  void btn2Click();
  void btn3Click();
  void lbl4Click();
  void lbl5Click();
  void tmr2Timer();
  void tmr3Timer();
  void tray1Click();

  const MainFormControls& Controls() const { return controls_; }
  platform::MainWindow& Window() { return *window_; }
  const TaskFilters& Filters() const { return filters_; }
  Timer& tmr3() { return tmr3_; }
  PollCycle& Poll() { return *pollCycle_; }
  TTrayIcon& tray1() { return *tray1_; }

 private:
  MainFormControls CreateControls();
  void SyncFilters();
  void ShowUpdateTime(std::chrono::system_clock::time_point when);
  void ShowAnnouncement(std::string announcementGbk);

  platform::Desktop& desktop_;
  PollState& state_;
  Services services_;
  std::unique_ptr<platform::MainWindow> window_;
  MainFormControls controls_;
  TaskFilters filters_;
  std::chrono::system_clock::time_point updateTime_;
  Timer tmr2_;
  Timer tmr3_;
  std::unique_ptr<TTrayIcon> tray1_;
  std::unique_ptr<CounterExchange> exchange_;
  std::unique_ptr<PollCycle> pollCycle_;
  TForm2* popup_ = nullptr;
  // Posted work checks this before touching the window.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zelmora
