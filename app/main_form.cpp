#include "app/main_form.h"

#include <array>
#include <string>
#include <vector>

#include "app/main_form_layout.h"
#include "core/error_report.h"
#include "core/event_log.h"

namespace zelmora {
namespace {

constexpr int kWatcherIntervalMs = 1000;
constexpr int kAutoCloseIntervalMs = 1000;

}  // namespace

TForm1::TForm1(platform::Desktop& desktop, PollState& state, Services services)
    : desktop_(desktop),
      state_(state),
      services_(std::move(services)),
      window_(desktop.CreateMainWindow({kMainWindowCaption, kMainWindowClientSize})),
      controls_(CreateControls()),
      tmr2_(desktop, kWatcherIntervalMs, true, [this] { tmr2Timer(); }),
      tmr3_(desktop, kAutoCloseIntervalMs, true, [this] { tmr3Timer(); }) {
  SyncFilters();
  tray1_ = std::make_unique<TTrayIcon>(desktop_, *window_);
  tray1_->OnClick = [this] { tray1Click(); };

  ExchangeContext context{state_, filters_, [this, alive = alive_](std::string text) {
                            desktop_.PostToUi([this, alive, text = std::move(text)] {
                              // A text that cannot be decoded is reported, not shown blank.
                              if (*alive) Guarded(desktop_, [this, &text] { ShowAnnouncement(text); })();
                            });
                          }};
  exchange_ = services_.makeExchange(context);
  pollCycle_ = std::make_unique<PollCycle>(desktop_, state_, *exchange_, controls_.edt2,
                                           [this](auto when) { ShowUpdateTime(when); });

  // The window's creation reports a failure of its creation handler and goes on.
  Guarded(desktop_, [this] { FormCreate(); })();
}

TForm1::~TForm1() {
  *alive_ = false;
  pollCycle_.reset();  // joins a poll in flight before anything it uses goes
}

MainFormControls TForm1::CreateControls() {
  std::array<platform::Control*, kMainWindowControls.size()> made{};
  for (std::size_t row = 0; row < kMainWindowControls.size(); ++row) {
    platform::ControlSpec design = kMainWindowControls[row];
    std::string caption(design.caption);
    if (row == kSupportLinkRow) caption += services_.supportQq;
    design.caption = caption;
    made[row] = &window_->AddControl(design);
  }
  std::vector<platform::Control*> order;
  for (std::size_t row : kMainWindowTabOrder) order.push_back(made[row]);
  window_->SetTabOrder(order);

  const MainFormControls controls = PickControls<platform::Control>(made);
  auto on = [this](platform::Control& control, std::function<void()> handler) {
    control.OnActivated(Guarded(desktop_, std::move(handler)));
  };
  on(controls.btn1, [this] { btn1Click(); });
  on(controls.btn2, [this] { btn2Click(); });
  on(controls.btn3, [this] { btn3Click(); });
  on(controls.lbl4, [this] { lbl4Click(); });
  on(controls.lbl5, [this] { lbl5Click(); });
  for (platform::Control* box : {&controls.chktype1, &controls.chktype2, &controls.chkip1, &controls.chkip2})
    on(*box, [this] { SyncFilters(); });
  return controls;
}

void TForm1::SyncFilters() {
  filters_.type1.store(controls_.chktype1.Checked());
  filters_.type2.store(controls_.chktype2.Checked());
  filters_.ip1.store(controls_.chkip1.Checked());
  filters_.ip2.store(controls_.chkip2.Checked());
}

void TForm1::AttachPopup(TForm2& popup) { popup_ = &popup; }

void TForm1::FormCreate() {
  if (services_.loadSettings) {
    // Whatever the load set before a failure stays, so the boxes' mirrors follow too.
    try {
      services_.loadSettings(controls_);
    } catch (...) {
      SyncFilters();
      throw;
    }
    SyncFilters();
  }
  window_->TakeOffTaskbar();
  ShowUpdateTime(desktop_.Now());
}

void TForm1::ShowUpdateTime(std::chrono::system_clock::time_point when) {
  updateTime_ = when;
  controls_.lbl2.SetText(desktop_.LongTimeText(when));
}

void TForm1::ShowAnnouncement(std::string announcementGbk) {
  LogEvent("new announcement " + std::to_string(state_.NoteId.load()));
  controls_.lbl1.SetText(services_.decodeGbk(announcementGbk));
}

void TForm1::btn1Click() {
  if (services_.saveSettings) services_.saveSettings(controls_);
  pollCycle_->Start();
  controls_.btn1.SetEnabled(false);
}

void TForm1::btn2Click() {
  controls_.btn1.SetEnabled(true);
  pollCycle_->Stop();
}

void TForm1::btn3Click() {
  if (popup_) popup_->btn3Click();
}

void TForm1::lbl4Click() { desktop_.ShellOpen(services_.taskServerHost); }

void TForm1::lbl5Click() {
  desktop_.ShellOpen("http://" + services_.qqChatHost + "/msgrd?v=3&uin=" + services_.supportQq);
}

void TForm1::tmr2Timer() {
  if (popup_) popup_->tmr2Timer();
}

void TForm1::tmr3Timer() {
  if (popup_) {
    popup_->tmr3Timer();
  } else {
    tmr3_.SetEnabled(false);
  }
}

void TForm1::tray1Click() { tray1_->RestoreMainWindow(); }

}  // namespace zelmora
