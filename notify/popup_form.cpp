#include "notify/popup_form.h"

#include "core/error_report.h"
#include "core/seconds_box.h"
#include "platform/codepage.h"
#include "poll/task_server.h"

namespace zelmora {
namespace {

constexpr int32_t kShortestCloseTimeMs = 1000;
constexpr int32_t kDefaultCloseTimeSeconds = 30;

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
      window_(desktop.CreatePopup(kPopupSpec)) {
  window_->OnDocumentComplete(Guarded(desktop_, [this] { wb1DocumentComplete(); }));
}

void TForm2::tmr2Timer() {
  if (state_.NewTaskFlag.load(std::memory_order_acquire) != 1) return;  // W1
  state_.NewTaskFlag.store(0);                                          // W2

  // Sizes of the work area serve as coordinates, as they always have.
  const platform::Rect area = desktop_.WorkArea();
  const platform::Size size = window_->OuterSize();
  window_->SetTop(area.height + size.height);  // W3: below the visible screen
  window_->SetLeft(area.width - size.width);   // W4

  const std::string address = TaskPageAddress(host_, inputs_.edt1.Text(), state_.PrevTaskId.load(),
                                              ReadFilters(inputs_.filters));  // W5
  if (onNewTask_) onNewTask_(address);
  window_->Navigate(platform::Utf8ToUtf16(address));  // W6
  window_->Show();                                    // W7
}

void TForm2::wb1DocumentComplete() {
  PlaceAtBottomRight();  // D1, D2

  closeTime_ = ReadSecondsBox(inputs_.edt3, kShortestCloseTimeMs, kDefaultCloseTimeSeconds);  // D3, D4
  inputs_.tmr3.SetInterval(closeTime_);                                                       // D5
  inputs_.tmr3.SetEnabled(true);
}

void TForm2::PlaceAtBottomRight() {
  const platform::Rect area = desktop_.WorkArea();
  const platform::Size size = window_->OuterSize();
  window_->SetTop(area.height - size.height);
  window_->SetLeft(area.width - size.width);
}

void TForm2::tmr3Timer() {
  window_->Hide();
  inputs_.tmr3.SetEnabled(false);
}

void TForm2::btn3Click() { window_->Show(); }

// As View, on that page: wherever the popup was last placed, until its page
// completes and the auto-close countdown starts.
void TForm2::ShowTaskPage(const std::string& taskPage) {
  window_->Navigate(platform::Utf8ToUtf16(taskPage));
  window_->Show();
}

}  // namespace zelmora
