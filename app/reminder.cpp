#include "app/reminder.h"

#include "app/main_form_layout.h"

namespace zelmora {

Reminder::Reminder(platform::Desktop& desktop, TForm1::Services services) {
  desktop.SetApplicationTitle(kApplicationTitle);
  const std::string host = services.taskServerHost;
  form1_ = std::make_unique<TForm1>(desktop, state_, std::move(services));
  form2_ = std::make_unique<TForm2>(
      desktop, state_, host,
      TForm2::Inputs{form1_->Control("edt1"), form1_->Control("edt3"), form1_->Filters(), form1_->tmr3()});
  form1_->AttachPopup(*form2_);
}

}  // namespace zelmora
