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
  std::string text() const override { return text_; }
  void setText(const std::string& text) override { text_ = text; }
  bool checked() const override { return checked_; }
  void setChecked(bool checked) override { checked_ = checked; }
  bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  void onActivated(std::function<void()> handler) override { handler_ = std::move(handler); }

  // What the user does: a click (a check box toggles first) or typing.
  void click();
  void type(const std::string& text) { text_ = text; }

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
  platform::Control& addControl(const platform::ControlSpec& design) override;
  void setTabOrder(std::span<platform::Control* const> order) override;
  void takeOffTaskbar() override { offTaskbar = true; }
  void show() override;
  void hide() override { visible = false; }
  bool isVisible() const override { return visible; }
  bool isMinimized() const override { return minimized; }
  void restore() override;
  void bringToFront() override { ++frontRequests; }
  void onMinimized(std::function<void()> handler) override { minimizedHandler_ = std::move(handler); }

  FakeControl& control(const std::string& name) { return *controls.at(name); }
  void minimizeByUser();

  platform::MainWindowSpec design;
  std::map<std::string, std::unique_ptr<FakeControl>> controls;
  std::vector<std::string> controlOrder;
  std::vector<std::string> tabOrder;
  bool offTaskbar = false;
  bool visible = false;
  bool minimized = false;
  int frontRequests = 0;

 private:
  std::function<void()> minimizedHandler_;
};

class FakePopup final : public platform::PopupWindow {
 public:
  explicit FakePopup(const platform::PopupSpec& design);
  void setLeft(int left) override { position_.x = left; }
  void setTop(int top) override { position_.y = top; }
  platform::Point position() const override { return position_; }
  platform::Size outerSize() const override { return outerSize_; }
  void show() override;
  void hide() override { visible = false; }
  bool isVisible() const override { return visible; }
  void navigate(const std::u16string& address) override;
  void onDocumentComplete(std::function<void()> handler) override { complete_ = std::move(handler); }

  // The page view reports a finished document (or frame).
  void completeDocument();
  // The user closes the popup with its close box.
  void closeByUser() { visible = false; }

  platform::PopupSpec design;
  std::vector<std::u16string> navigations;
  bool refuseNavigation = false;
  bool visible = false;
  int raises = 0;
  platform::Size outerSize_{306, 226};

 private:
  platform::Point position_;
  std::function<void()> complete_;
};

class FakeTray final : public platform::TrayIcon {
 public:
  // Like the shell: adding an icon that is there, or changing or removing one
  // that is not, is refused.
  bool add() override;
  bool modify() override { ++modifies; return present; }
  bool remove() override;
  void onMouse(std::function<void(platform::TrayMouse)> handler) override { mouse_ = std::move(handler); }
  void onTrayRecreated(std::function<void()> handler) override { recreated_ = std::move(handler); }

  void mouse(platform::TrayMouse code) { mouse_(code); }
  // The shell restarted: its icons are gone until re-added.
  void recreateTray();

  bool present = false;
  int adds = 0;
  int modifies = 0;

 private:
  std::function<void(platform::TrayMouse)> mouse_;
  std::function<void()> recreated_;
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

  std::unique_ptr<platform::MainWindow> createMainWindow(const platform::MainWindowSpec& design) override;
  std::unique_ptr<platform::PopupWindow> createPopup(const platform::PopupSpec& design) override;
  std::unique_ptr<platform::TrayIcon> createTrayIcon() override;
  std::unique_ptr<platform::TimerBackend> createTimer(std::function<void()> onTick) override;
  void postToUi(std::function<void()> task) override;
  platform::Rect workArea() const override { return workArea_; }
  void showError(const std::string& text, const std::string& title) override;
  void shellOpen(const std::string& address) override { shellOpens.push_back(address); }
  Clock::time_point now() const override;
  std::string longTimeText(Clock::time_point when) const override;
  int run() override { return 0; }

  // Moves the virtual clock on, firing due timers in order and running posted
  // work before each firing and at the end.
  void advance(std::chrono::milliseconds duration);
  // Runs the posted work that is waiting; returns how many tasks ran.
  int runPosted();
  // Waits (in real time) until posted work arrives, then runs it.
  bool waitForPosted(std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Milliseconds of virtual time since the desktop was made.
  long long elapsedMs() const;

  FakeMainWindow* mainWindow = nullptr;
  FakePopup* popup = nullptr;
  FakeTray* tray = nullptr;
  std::vector<ErrorBox> errors;
  std::vector<std::string> shellOpens;
  platform::Rect workArea_{0, 0, 1280, 800};
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
