#include "app/program.h"

#include "app/build_config.h"
#include "app/main_form.h"
#include "notify/popup_form.h"
#include "platform/registry.h"
#include "poll/task_server.h"
#include "poll/task_server_exchange.h"
#include "settings/settings_store.h"

namespace zelmora {
namespace {

settings::SettingsControls ControlsOf(const TForm1& form) {
  return {form.Control("edt1"),     form.Control("edt2"),   form.Control("edt3"),  form.Control("chktype1"),
          form.Control("chktype2"), form.Control("chkip1"), form.Control("chkip2")};
}

}  // namespace

int RunReminder(platform::Desktop& desktop) {
  PollState state;
  std::unique_ptr<platform::Registry> registry = platform::OpenSystemRegistry();
  const std::string host = TaskServerHost();

  TForm1::Services services{
      .taskServerHost = host,
      .supportQq = build::kSupportQq,
      .qqChatHost = build::kQqChatHost,
      .makeExchange = [host](const ExchangeContext& context) -> std::unique_ptr<CounterExchange> {
        return std::make_unique<TaskServerExchange>(context, host);
      },
      .loadSettings = [&registry](TForm1& form) { settings::LoadSettings(*registry, ControlsOf(form)); },
      .saveSettings = [&registry](TForm1& form) { settings::SaveSettings(*registry, ControlsOf(form)); },
  };
  TForm1 form1(desktop, state, std::move(services));
  TForm2 form2(desktop, state, host,
               {form1.Control("edt1"), form1.Control("edt3"), form1.Filters(), form1.tmr3()});
  form1.AttachPopup(form2);
  form1.Window().Show();
  return desktop.Run();
}

}  // namespace zelmora
