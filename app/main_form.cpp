#include "app/main_form.h"

#include <vector>

#include "app/main_form_layout.h"
#include "core/error_report.h"

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
      tmr2_(desktop, kWatcherIntervalMs, true, [this] { tmr2Timer(); }),
      tmr3_(desktop, kAutoCloseIntervalMs, true, [this] { tmr3Timer(); }) {
  CreateControls();
  tray1_ = std::make_unique<TTrayIcon>(desktop_, *window_);
  tray1_->OnClick = [this] { tray1Click(); };

  ExchangeContext context{state_, filters_, [this, alive = alive_](std::string text) {
                            desktop_.PostToUi([this, alive, text = std::move(text)] {
                              // A text that cannot be decoded is reported, not shown blank.
                              if (*alive) Guarded(desktop_, [this, &text] { ShowAnnouncement(text); })();
                            });
                          }};
  exchange_ = services_.makeExchange(context);
  pollCycle_ = std::make_unique<PollCycle>(desktop_, state_, *exchange_, Control("edt2"),
                                           [this](auto when) { ShowUpdateTime(when); });

  // The window's creation reports a failure of its creation handler and goes on.
  Guarded(desktop_, [this] { FormCreate(); })();
}

TForm1::~TForm1() {
  *alive_ = false;
  pollCycle_.reset();  // joins a poll in flight before anything it uses goes
}

void TForm1::CreateControls() {
  for (platform::ControlSpec design : kMainWindowControls) {
    std::string caption(design.caption);
    if (design.name == "lbl5") caption += services_.supportQq;
    design.caption = caption;
    controls_[std::string(design.name)] = &window_->AddControl(design);
  }
  std::vector<platform::Control*> order;
  for (std::string_view name : kMainWindowTabOrder) order.push_back(&Control(name));
  window_->SetTabOrder(order);

  auto on = [this](std::string_view name, std::function<void()> handler) {
    Control(name).OnActivated(Guarded(desktop_, std::move(handler)));
  };
  on("btn1", [this] { btn1Click(); });
  on("btn2", [this] { btn2Click(); });
  on("btn3", [this] { btn3Click(); });
  on("lbl4", [this] { lbl4Click(); });
  on("lbl5", [this] { lbl5Click(); });
  for (std::string_view box : {"chktype1", "chktype2", "chkip1", "chkip2"})
    on(box, [this] { SyncFilters(); });
  SyncFilters();
}

platform::Control& TForm1::Control(std::string_view name) const { return *controls_.find(name)->second; }

void TForm1::SyncFilters() {
  filters_.type1.store(Control("chktype1").Checked());
  filters_.type2.store(Control("chktype2").Checked());
  filters_.ip1.store(Control("chkip1").Checked());
  filters_.ip2.store(Control("chkip2").Checked());
}

void TForm1::AttachPopup(TForm2& popup) { popup_ = &popup; }

void TForm1::FormCreate() {
  if (services_.loadSettings) {
    // Whatever the load set before a failure stays, so the boxes' mirrors follow too.
    try {
      services_.loadSettings(*this);
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
  Control("lbl2").SetText(desktop_.LongTimeText(when));
}

void TForm1::ShowAnnouncement(std::string announcementGbk) {
  Control("lbl1").SetText(services_.decodeGbk(announcementGbk));
}

void TForm1::btn1Click() {
  if (services_.saveSettings) services_.saveSettings(*this);
  pollCycle_->Start();
  Control("btn1").SetEnabled(false);
}

void TForm1::btn2Click() {
  Control("btn1").SetEnabled(true);
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
