#include "tests/support/fake_desktop.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "core/error.h"

namespace zelmora::testing {

FakeControl::FakeControl(const platform::ControlSpec& controlSpec)
    : design(controlSpec), name(controlSpec.name), text_(controlSpec.caption), checked_(controlSpec.checked) {
  design.name = name;
  design.caption = {};
}

void FakeControl::Click() {
  if (!enabled_) return;
  if (design.kind == platform::ControlKind::CheckBox) checked_ = !checked_;
  if (handler_) handler_();
}

platform::Control& FakeMainWindow::AddControl(const platform::ControlSpec& controlSpec) {
  controls.push_back(std::make_unique<FakeControl>(controlSpec));
  return *controls.back();
}

void FakeMainWindow::SetTabOrder(std::span<platform::Control* const> order) {
  tabOrder.clear();
  for (platform::Control* control : order) tabOrder.push_back(static_cast<FakeControl*>(control)->name);
}

void FakeMainWindow::Show() { visible = true; }

void FakeMainWindow::Restore() {
  minimized = false;
  visible = true;
  ++frontRequests;
  if (restoredHandler_) restoredHandler_();
}

void FakeMainWindow::ShowMinimized() {
  visible = true;
  minimized = true;
}

void FakeMainWindow::Close() {
  closed = true;
  visible = false;
}

void FakeMainWindow::MinimizeByUser() {
  minimized = true;
  if (minimizedHandler_) minimizedHandler_();
}

FakePopup::FakePopup(const platform::PopupSpec& popupSpec)
    : design(popupSpec), position_(popupSpec.initialPosition) {}

void FakePopup::Show() {
  visible = true;
  ++raises;
}

void FakePopup::Navigate(const std::u16string& address) {
  if (refuseNavigation) throw Error("Unspecified error");
  navigations.push_back(address);
}

void FakePopup::CompleteDocument() {
  if (complete_) complete_();
}

bool FakeTray::Add(const platform::TrayIconRecord& record) {
  ++adds;
  if (present) return false;
  present = true;
  shown = record;
  return true;
}

bool FakeTray::Modify(const platform::TrayIconRecord& record) {
  ++modifies;
  if (present) shown = record;
  return present;
}

const platform::TrayMenuItem& FakeTray::Item(const std::string& text) const {
  for (const platform::TrayMenuItem& item : menu) {
    if (item.text == text) return item;
  }
  throw std::out_of_range("no menu entry " + text);
}

void FakeTray::Choose(const std::string& text) {
  const platform::TrayMenuItem& item = Item(text);
  if (!ItemEnabled(text)) throw std::logic_error("the menu entry " + text + " is disabled");
  item.chosen();
}

bool FakeTray::Remove() {
  if (!present) return false;
  present = false;
  return true;
}

void FakeTray::RecreateTray() {
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
  FakeTimer(FakeDesktop& desktop, std::shared_ptr<TimerSlot> slot)
      : desktop_(desktop), slot_(std::move(slot)) {}
  ~FakeTimer() override { slot_->running = false; }
  void Start(int intervalMs) override {
    if (desktop_.refuseTimers) throw Error("Not enough timers available");
    slot_->running = true;
    slot_->interval = intervalMs;
    slot_->due = desktop_.ElapsedMs() + intervalMs;
  }
  void Stop() override { slot_->running = false; }

 private:
  FakeDesktop& desktop_;
  std::shared_ptr<TimerSlot> slot_;
};

FakeDesktop::FakeDesktop() : start_(Clock::now()) {}
FakeDesktop::~FakeDesktop() = default;

std::unique_ptr<platform::MainWindow> FakeDesktop::CreateMainWindow(const platform::MainWindowSpec& design) {
  auto window = std::make_unique<FakeMainWindow>();
  window->design = design;
  mainWindow = window.get();
  return window;
}

std::unique_ptr<platform::PopupWindow> FakeDesktop::CreatePopup(const platform::PopupSpec& design) {
  auto window = std::make_unique<FakePopup>(design);
  popup = window.get();
  return window;
}

std::unique_ptr<platform::TrayIcon> FakeDesktop::CreateTrayIcon() {
  auto icon = std::make_unique<FakeTray>(trayIconShown, trayHostRunning);
  tray = icon.get();
  return icon;
}

std::unique_ptr<platform::TimerBackend> FakeDesktop::CreateTimer(std::function<void()> onTick) {
  auto slot = std::make_shared<TimerSlot>();
  slot->onTick = std::move(onTick);
  timers_.push_back(slot);
  return std::make_unique<FakeTimer>(*this, slot);
}

void FakeDesktop::PostToUi(std::function<void()> task) {
  {
    std::lock_guard lock(postMutex_);
    postQueue_.push_back(std::move(task));
  }
  posted_.notify_all();
}

FakeDesktop::Clock::time_point FakeDesktop::Now() const {
  return start_ + std::chrono::milliseconds(elapsedMs_.load());
}

std::string FakeDesktop::LongTimeText(Clock::time_point when) const {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when - start_).count();
  char text[32];
  std::snprintf(text, sizeof text, "T+%lldms", static_cast<long long>(ms));
  return text;
}

std::chrono::year_month_day FakeDesktop::LocalDate(Clock::time_point when) const {
  using namespace std::chrono;
  constexpr sys_days kFirstDay = year(2026) / December / 10;
  return year_month_day(kFirstDay + floor<days>(timeOfDayAtStart + (when - start_)));
}

namespace {

class FakeInstanceClaim final : public platform::InstanceClaim {
 public:
  explicit FakeInstanceClaim(std::function<void()>& showRequest) : showRequest_(showRequest) {}
  void OnShowRequest(std::function<void()> handler) override { showRequest_ = std::move(handler); }

 private:
  std::function<void()>& showRequest_;
};

}  // namespace

std::unique_ptr<platform::InstanceClaim> FakeDesktop::ClaimInstance() {
  return std::make_unique<FakeInstanceClaim>(showRequest);
}

long long FakeDesktop::ElapsedMs() const { return elapsedMs_.load(); }

int FakeDesktop::RunPosted() {
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

bool FakeDesktop::WaitForPosted(std::chrono::milliseconds limit) {
  {
    std::unique_lock lock(postMutex_);
    if (!posted_.wait_for(lock, limit, [this] { return !postQueue_.empty(); })) return false;
  }
  RunPosted();
  return true;
}

void FakeDesktop::Advance(std::chrono::milliseconds duration) {
  const long long target = ElapsedMs() + duration.count();
  for (;;) {
    RunPosted();
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
  RunPosted();
}

}  // namespace zelmora::testing
