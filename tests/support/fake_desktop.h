#pragma once
// An in-memory desktop for tests: a virtual clock drives the timers, posted work
// waits in a queue until the test lets it run, and everything shown is recorded.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace zelmora::testing {

class FakeControl final : public platform::Control {
 public:
  explicit FakeControl(const platform::ControlSpec& design);
  // A control on no window, holding a text or a check mark.
  explicit FakeControl(std::string text = {}, bool checked = false)
      : text_(std::move(text)), checked_(checked) {}
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  void OnActivated(std::function<void()> handler) override { handler_ = std::move(handler); }

  // What the user does: a click (a check box toggles first) or typing.
  void Click();
  void Type(const std::string& text) { text_ = text; }

  platform::ControlSpec design;
  std::string name;

 private:
  std::string text_;
  bool checked_;
  bool enabled_ = true;
  std::function<void()> handler_;
};

class FakeMainWindow final : public platform::MainWindow {
 public:
  platform::Control& AddControl(const platform::ControlSpec& design) override;
  void SetTabOrder(std::span<platform::Control* const> order) override;
  void TakeOffTaskbar() override { offTaskbar = true; }
  void Show() override;
  void Hide() override { visible = false; }
  bool IsVisible() const override { return visible; }
  void ShowMinimized() override;
  void Restore() override;
  void Close() override;
  void OnMinimized(std::function<void()> handler) override { minimizedHandler_ = std::move(handler); }
  void OnRestored(std::function<void()> handler) override { restoredHandler_ = std::move(handler); }

  void MinimizeByUser();

  platform::MainWindowSpec design;
  std::vector<std::unique_ptr<FakeControl>> controls;  // in the order they were made
  std::vector<std::string> tabOrder;
  bool offTaskbar = false;
  bool visible = false;
  bool minimized = false;
  bool closed = false;
  int frontRequests = 0;

 private:
  std::function<void()> minimizedHandler_;
  std::function<void()> restoredHandler_;
};

class FakePopup final : public platform::PopupWindow {
 public:
  explicit FakePopup(const platform::PopupSpec& design);
  void SetLeft(int left) override { position_.x = left; }
  void SetTop(int top) override { position_.y = top; }
  platform::Point Position() const override { return position_; }
  platform::Size OuterSize() const override { return outerSize; }
  void Show() override;
  void Hide() override { visible = false; }
  bool IsVisible() const override { return visible; }
  void Navigate(const std::u16string& address) override;
  void OnDocumentComplete(std::function<void()> handler) override { complete_ = std::move(handler); }
  void OnPageViewTrouble(std::function<void(const std::string&)> handler) override {
    trouble_ = std::move(handler);
  }
  void PreparePageView() override { ++preparations; }

  // The page view reports a finished document (or frame).
  void CompleteDocument();
  // The page view cannot show pages (why), or shows them again (empty).
  void ReportPageViewTrouble(const std::string& reason) { trouble_(reason); }
  // The user closes the popup with its close box.
  void CloseByUser() { visible = false; }

  platform::PopupSpec design;
  std::vector<std::u16string> navigations;
  bool refuseNavigation = false;
  bool visible = false;
  int raises = 0;
  int preparations = 0;
  platform::Size outerSize{306, 226};

 private:
  platform::Point position_;
  std::function<void()> complete_;
  std::function<void(const std::string&)> trouble_;
};

// The program's icon as the shell sees it: whether it is shown lives in the
// desktop, so it can be looked at after the icon object has gone.
class FakeTray final : public platform::TrayIcon {
 public:
  FakeTray(bool& shown, const bool& hostRunning) : present(shown), hostRunning_(hostRunning) {}
  // Like the shell: adding an icon that is there, or changing or removing one
  // that is not, is refused.
  bool Add(const platform::TrayIconRecord& record) override;
  bool Modify(const platform::TrayIconRecord& record) override;
  bool Remove() override;
  bool IsShown() const override { return present && hostRunning_; }
  void SetMenu(std::vector<platform::TrayMenuItem> items) override { menu = std::move(items); }
  void PopUpMenu() override { ++menuPopUps; }
  void ShowMessage(const platform::TrayMessage& message) override { messages.push_back(message); }
  void OnMouse(std::function<void(platform::TrayMouse)> handler) override { mouse_ = std::move(handler); }
  void OnTrayRecreated(std::function<void()> handler) override { recreated_ = std::move(handler); }
  void OnTrayLost(std::function<void()> handler) override { lost_ = std::move(handler); }

  void Mouse(platform::TrayMouse code) { mouse_(code); }
  // The shell restarted: its icons are gone until re-added.
  void RecreateTray();
  // The tray host ended (set the desktop's trayHostRunning first).
  void LoseTray() { lost_(); }
  // The user picks the menu entry with that text; fails the test when it is
  // missing or disabled.
  void Choose(const std::string& text);
  // The menu entry with that text, its state asked as the menu opens.
  const platform::TrayMenuItem& Item(const std::string& text) const;
  bool ItemChecked(const std::string& text) const { return Item(text).checked(); }
  bool ItemEnabled(const std::string& text) const { return !Item(text).enabled || Item(text).enabled(); }
  // The entries of that entry's submenu, as it opens now.
  std::vector<platform::TrayMenuItem> Submenu(const std::string& text) const { return Item(text).submenu(); }

  bool& present;
  platform::TrayIconRecord shown;  // as last added or changed
  std::vector<platform::TrayMenuItem> menu;
  int adds = 0;
  int modifies = 0;
  int menuPopUps = 0;
  std::vector<platform::TrayMessage> messages;

 private:
  const bool& hostRunning_;
  std::function<void(platform::TrayMouse)> mouse_;
  std::function<void()> recreated_;
  std::function<void()> lost_;
};

class FakeDesktop final : public platform::Desktop {
 public:
  using Clock = std::chrono::system_clock;
  struct ErrorBox {
    std::string text;
    std::string title;
  };

  FakeDesktop();
  ~FakeDesktop() override;

  void SetApplicationTitle(std::string_view title) override { applicationTitle = title; }
  std::unique_ptr<platform::MainWindow> CreateMainWindow(const platform::MainWindowSpec& design) override;
  std::unique_ptr<platform::PopupWindow> CreatePopup(const platform::PopupSpec& design) override;
  std::unique_ptr<platform::TrayIcon> CreateTrayIcon() override;
  std::unique_ptr<platform::TimerBackend> CreateTimer(std::function<void()> onTick) override;
  void PostToUi(std::function<void()> task) override;
  platform::Rect WorkArea() const override { return workArea; }
  void ShowError(const std::string& text) override { errors.push_back({text, applicationTitle}); }
  void ShellOpen(const std::string& address) override { shellOpens.push_back(address); }
  Clock::time_point Now() const override;
  std::string LongTimeText(Clock::time_point when) const override;
  // Days turn at the virtual clock's midnight: see timeOfDayAtStart.
  std::chrono::year_month_day LocalDate(Clock::time_point when) const override;
  std::unique_ptr<platform::InstanceClaim> ClaimInstance() override;
  void PlayNewTaskSound() override { ++sounds; }
  int Run() override { return 0; }

  // Moves the virtual clock on, firing due timers in order and running posted
  // work before each firing and at the end.
  void Advance(std::chrono::milliseconds duration);
  // Runs the posted work that is waiting; returns how many tasks ran.
  int RunPosted();
  // Waits (in real time) until posted work arrives, then runs it.
  bool WaitForPosted(std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Milliseconds of virtual time since the desktop was made.
  long long ElapsedMs() const;

  std::string applicationTitle;
  FakeMainWindow* mainWindow = nullptr;
  FakePopup* popup = nullptr;
  FakeTray* tray = nullptr;
  bool trayIconShown = false;
  bool trayHostRunning = true;
  std::function<void()> showRequest;  // what the claim was told to do on a second start
  int sounds = 0;
  std::vector<ErrorBox> errors;
  std::vector<std::string> shellOpens;
  platform::Rect workArea{0, 0, 1280, 800};
  // The local time of day when the desktop was made, on its first day.
  std::chrono::milliseconds timeOfDayAtStart = std::chrono::hours(9);
  bool refuseTimers = false;

 private:
  struct TimerSlot;
  class FakeTimer;

  std::vector<std::shared_ptr<TimerSlot>> timers_;
  Clock::time_point start_;
  std::atomic<long long> elapsedMs_{0};
  mutable std::mutex postMutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> postQueue_;
};

}  // namespace zelmora::testing
