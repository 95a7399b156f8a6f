#pragma once
#include <memory>

#include "app/main_form.h"
#include "notify/popup_form.h"
#include "platform/desktop.h"
#include "poll/poll_state.h"

namespace zelmora {

// The whole reminder on a desktop, built as the program entry builds it: the
// application's title, the main window TForm1 (its creation loads the settings),
// then the hidden notification window TForm2 wired to the main window's
// controls and timers. The program and the tests build it here alike.
class Reminder {
 public:
  Reminder(platform::Desktop& desktop, TForm1::Services services);
  Reminder(const Reminder&) = delete;
  Reminder& operator=(const Reminder&) = delete;

  TForm1& Form1() { return *form1_; }
  TForm2& Form2() { return *form2_; }
  PollState& State() { return state_; }

 private:
  PollState state_;
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm2> form2_;  // goes first: it holds on to the main window's controls
};

}  // namespace zelmora
