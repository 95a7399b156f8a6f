#include "notify/popup_form.h"

#include "app/error_report.h"
#include "platform/codepage.h"
#include "poll/integer_text.h"
#include "poll/task_server.h"

namespace zelmora {
namespace {

constexpr int32_t kShortestCloseTimeMs = 1000;
constexpr int32_t kDefaultCloseTimeMs = 30000;
constexpr const char* kDefaultCloseTimeText = "30";

const platform::PopupSpec kPopupSpec{
    .caption = "Zelmora通知",
    .clientSize = {300, 200},
    .initialPosition = {642, 361},
    .viewBounds = {-2, -2, 350, 251},
};

}  // namespace

TForm2::TForm2(platform::Desktop& desktop, PollState& state, std::string host, Inputs inputs)
    : desktop_(desktop),
      state_(state),
      host_(std::move(host)),
      inputs_(inputs),
      window_(desktop.createPopup(kPopupSpec)) {
  window_->onDocumentComplete(Guarded(desktop_, [this] { wb1DocumentComplete(); }));
}

void TForm2::tmr2Timer() {
  if (state_.NewTaskFlag.load(std::memory_order_acquire) != 1) return;  // W1
  state_.NewTaskFlag.store(0);                                           // W2

  // Sizes of the work area serve as coordinates, as they always have.
  const platform::Rect area = desktop_.workArea();
  const platform::Size size = window_->outerSize();
  window_->setTop(area.height + size.height);  // W3: below the visible screen
  window_->setLeft(area.width - size.width);   // W4

  const std::string address = TaskPageAddress(host_, inputs_.edt1.text(), state_.PrevTaskId.load(),
                                              ReadFilters(inputs_.filters));  // W5
  window_->navigate(platform::Utf8ToUtf16(address));                         // W6
  window_->show();                                                           // W7
}

void TForm2::wb1DocumentComplete() {
  PlaceAtBottomRight();  // D1, D2

  auto seconds = ParseInteger(inputs_.edt3.text());  // D3
  if (seconds) {
    closeTime_ = WrappingTimes1000(*seconds);
  } else {
    inputs_.edt3.setText(kDefaultCloseTimeText);
    closeTime_ = kDefaultCloseTimeMs;
  }
  if (closeTime_ < kShortestCloseTimeMs) {  // D4
    inputs_.edt3.setText(kDefaultCloseTimeText);
    closeTime_ = kDefaultCloseTimeMs;
  }
  inputs_.tmr3.setInterval(closeTime_);  // D5
  inputs_.tmr3.setEnabled(true);
}

void TForm2::PlaceAtBottomRight() {
  const platform::Rect area = desktop_.workArea();
  const platform::Size size = window_->outerSize();
  window_->setTop(area.height - size.height);
  window_->setLeft(area.width - size.width);
}

void TForm2::tmr3Timer() {
  window_->hide();
  inputs_.tmr3.setEnabled(false);
}

void TForm2::btn3Click() { window_->show(); }

}  // namespace zelmora
