#include "tests/support/fake_desktop.h"

#include <algorithm>
#include <cstdio>

#include "platform/error.h"

namespace zelmora::testing {

FakeControl::FakeControl(const platform::ControlSpec& controlSpec)
    : design(controlSpec), name(controlSpec.name), text_(controlSpec.caption), checked_(controlSpec.checked) {
  design.name = name;
  design.caption = {};
}

void FakeControl::click() {
  if (!enabled_) return;
  if (design.kind == platform::ControlKind::CheckBox) checked_ = !checked_;
  if (handler_) handler_();
}

platform::Control& FakeMainWindow::addControl(const platform::ControlSpec& controlSpec) {
  auto control = std::make_unique<FakeControl>(controlSpec);
  FakeControl& added = *control;
  controlOrder.push_back(added.name);
  controls[added.name] = std::move(control);
  return added;
}

void FakeMainWindow::setTabOrder(std::span<platform::Control* const> order) {
  tabOrder.clear();
  for (platform::Control* control : order) tabOrder.push_back(static_cast<FakeControl*>(control)->name);
}

void FakeMainWindow::show() { visible = true; }

void FakeMainWindow::restore() {
  minimized = false;
  visible = true;
  ++frontRequests;
}

void FakeMainWindow::minimizeByUser() {
  minimized = true;
  if (minimizedHandler_) minimizedHandler_();
}

FakePopup::FakePopup(const platform::PopupSpec& popupSpec)
    : design(popupSpec), position_(popupSpec.initialPosition) {}

void FakePopup::show() {
  visible = true;
  ++raises;
}

void FakePopup::navigate(const std::u16string& address) {
  if (refuseNavigation) throw Error("Unspecified error");
  navigations.push_back(address);
}

void FakePopup::completeDocument() {
  if (complete_) complete_();
}

bool FakeTray::add() {
  ++adds;
  if (present) return false;
  present = true;
  return true;
}

bool FakeTray::remove() {
  if (!present) return false;
  present = false;
  return true;
}

void FakeTray::recreateTray() {
  present = false;
  if (recreated_) recreated_();
}

struct FakeDesktop::TimerSlot {
  std::function<void()> onTick;
  bool running = false;
  int interval = 0;
  long long due = 0;
};

class FakeDesktop::FakeTimer final : public platform::TimerBackend {
 public:
  FakeTimer(FakeDesktop& desktop, std::shared_ptr<TimerSlot> slot) : desktop_(desktop), slot_(std::move(slot)) {}
  ~FakeTimer() override { slot_->running = false; }
  void start(int intervalMs) override {
    if (desktop_.refuseTimers) throw Error("Not enough timers available");
    slot_->running = true;
    slot_->interval = intervalMs;
    slot_->due = desktop_.elapsedMs() + intervalMs;
  }
  void stop() override { slot_->running = false; }

 private:
  FakeDesktop& desktop_;
  std::shared_ptr<TimerSlot> slot_;
};

FakeDesktop::FakeDesktop() : start_(Clock::now()) {}
FakeDesktop::~FakeDesktop() = default;

std::unique_ptr<platform::MainWindow> FakeDesktop::createMainWindow(const platform::MainWindowSpec& design) {
  auto window = std::make_unique<FakeMainWindow>();
  window->design = design;
  mainWindow = window.get();
  return window;
}

std::unique_ptr<platform::PopupWindow> FakeDesktop::createPopup(const platform::PopupSpec& design) {
  auto window = std::make_unique<FakePopup>(design);
  popup = window.get();
  return window;
}

std::unique_ptr<platform::TrayIcon> FakeDesktop::createTrayIcon() {
  auto icon = std::make_unique<FakeTray>();
  tray = icon.get();
  return icon;
}

std::unique_ptr<platform::TimerBackend> FakeDesktop::createTimer(std::function<void()> onTick) {
  auto slot = std::make_shared<TimerSlot>();
  slot->onTick = std::move(onTick);
  timers_.push_back(slot);
  return std::make_unique<FakeTimer>(*this, slot);
}

void FakeDesktop::postToUi(std::function<void()> task) {
  {
    std::lock_guard lock(postMutex_);
    postQueue_.push_back(std::move(task));
  }
  posted_.notify_all();
}

void FakeDesktop::showError(const std::string& text, const std::string& title) {
  errors.push_back({text, title});
}

FakeDesktop::Clock::time_point FakeDesktop::now() const {
  return start_ + std::chrono::milliseconds(elapsedMs_.load());
}

std::string FakeDesktop::longTimeText(Clock::time_point when) const {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when - start_).count();
  char text[32];
  std::snprintf(text, sizeof text, "T+%lldms", static_cast<long long>(ms));
  return text;
}

long long FakeDesktop::elapsedMs() const { return elapsedMs_.load(); }

int FakeDesktop::runPosted() {
  int ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(postMutex_);
      if (postQueue_.empty()) return ran;
      task = std::move(postQueue_.front());
      postQueue_.pop_front();
    }
    task();
    ++ran;
  }
}

bool FakeDesktop::waitForPosted(std::chrono::milliseconds limit) {
  {
    std::unique_lock lock(postMutex_);
    if (!posted_.wait_for(lock, limit, [this] { return !postQueue_.empty(); })) return false;
  }
  runPosted();
  return true;
}

void FakeDesktop::advance(std::chrono::milliseconds duration) {
  const long long target = elapsedMs() + duration.count();
  for (;;) {
    runPosted();
    std::shared_ptr<TimerSlot> next;
    for (const auto& slot : timers_) {
      if (slot->running && slot->due <= target && (!next || slot->due < next->due)) next = slot;
    }
    if (!next) break;
    elapsedMs_.store(next->due);
    next->due += next->interval;
    next->onTick();
  }
  elapsedMs_.store(target);
  runPosted();
}

}  // namespace zelmora::testing
