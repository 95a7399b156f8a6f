#pragma once
// A main window on the fake desktop with a scripted counter exchange.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "app/main_form_layout.h"
#include "app/reminder.h"
#include "platform/codepage.h"
#include "tests/support/fake_desktop.h"

namespace zelmora::testing {

// Runs what the test scripts; can hold a poll until released.
class ScriptedExchange final : public CounterExchange {
 public:
  void Run() override {
    runs.fetch_add(1);
    std::unique_lock lock(mutex_);
    gate_.wait(lock, [this] { return !holding_ || aborted_; });
    if (aborted_) throw std::runtime_error("aborted");
    if (script) script();
  }
  void Disconnect() noexcept override { disconnects.fetch_add(1); }
  void Abort() noexcept override {
    {
      std::lock_guard lock(mutex_);
      aborted_ = true;
    }
    gate_.notify_all();
  }
  void Hold() {
    std::lock_guard lock(mutex_);
    holding_ = true;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      holding_ = false;
    }
    gate_.notify_all();
  }

  std::function<void()> script;
  std::atomic<int> runs{0};
  std::atomic<int> disconnects{0};

 private:
  std::mutex mutex_;
  std::condition_variable gate_;
  bool holding_ = false;
  bool aborted_ = false;
};

// The controls of a main window made from the layout table, as the user reaches them.
inline MainFormControlsOf<FakeControl> FakeControls(const FakeMainWindow& window) {
  std::array<FakeControl*, kMainWindowControls.size()> made{};
  if (window.controls.size() != made.size()) throw std::logic_error("the main window lacks controls");
  for (std::size_t row = 0; row < made.size(); ++row) made[row] = window.controls[row].get();
  return PickControls<FakeControl>(made);
}

// The whole reminder, wired as the program wires it, on the fake desktop.
struct FormFixture {
  using SettingsCopy = std::function<void(const MainFormControls&)>;
  explicit FormFixture(SettingsCopy load = {}, SettingsCopy save = {}, UserChoices choices = {},
                       StartOptions startOptions = {})
      : reminder(
            std::in_place, desktop,
            TForm1::Services{
                .taskServerHost = "tasks.example:8080",
                .supportQq = "12345",
                .qqChatHost = "chat.example",
                .makeExchange = [this](const ExchangeContext& context) -> std::unique_ptr<CounterExchange> {
                  announce = context.showAnnouncement;
                  auto made = std::make_unique<ScriptedExchange>();
                  exchange = made.get();
                  return made;
                },
                .loadSettings = std::move(load),
                .saveSettings = std::move(save),
                .decodeGbk = [this](std::string_view gbk) { return decodeGbk(gbk); },
            },
            std::move(choices), startOptions),
        state(reminder->State()),
        form1(&reminder->Form1()),
        form2(&reminder->Form2()),
        ui(FakeControls(*desktop.mainWindow)) {}

  // Ends the program as closing the main window does; the desktop stays to be looked at.
  void CloseProgram() { reminder.reset(); }

  FakePopup& Popup() { return *desktop.popup; }

  // Lets the worker of a poll that was just launched finish and report back.
  void FinishPoll() {
    while (form1->Poll().Polling()) {
      ASSERT_TRUE(desktop.WaitForPosted()) << "the poll never reported back";
    }
  }

  FakeDesktop desktop;
  // How the main window decodes announcements; a test may make it fail.
  std::function<std::string(std::string_view)> decodeGbk = platform::GbkToUtf8;
  ScriptedExchange* exchange = nullptr;
  std::function<void(std::string)> announce;
  std::optional<Reminder> reminder;
  PollState& state;
  TForm1* form1;
  TForm2* form2;
  // The main window's controls, as the user reaches them.
  MainFormControlsOf<FakeControl> ui;
};

}  // namespace zelmora::testing
