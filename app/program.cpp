#include "app/program.h"

#include <cstdlib>

#include "app/build_config.h"
#include "app/reminder.h"
#include "platform/registry.h"
#include "poll/task_server_exchange.h"
#include "settings/settings_store.h"

namespace zelmora {
namespace {

settings::SettingsControls ControlsOf(const TForm1& form) {
  return {form.Control("edt1"),     form.Control("edt2"),   form.Control("edt3"),  form.Control("chktype1"),
          form.Control("chktype2"), form.Control("chkip1"), form.Control("chkip2")};
}

}  // namespace

std::string TaskServerHost(bool testBuild) {
  const char* moved = testBuild ? std::getenv("ZELMORA_TEST_TASK_SERVER") : nullptr;
  return moved != nullptr && *moved != '\0' ? moved : build::kTaskServerHost;
}

int RunReminder(platform::Desktop& desktop, const std::string& taskServerHost) {
  std::unique_ptr<platform::Registry> registry = platform::OpenSystemRegistry();
  Reminder reminder(
      desktop,
      {
          .taskServerHost = taskServerHost,
          .supportQq = build::kSupportQq,
          .qqChatHost = build::kQqChatHost,
          .makeExchange =
              [taskServerHost](const ExchangeContext& context) -> std::unique_ptr<CounterExchange> {
            return std::make_unique<TaskServerExchange>(context, taskServerHost);
          },
          .loadSettings = [&registry](TForm1& form) { settings::LoadSettings(*registry, ControlsOf(form)); },
          .saveSettings = [&registry](TForm1& form) { settings::SaveSettings(*registry, ControlsOf(form)); },
      });
  reminder.Form1().Window().Show();
  return desktop.Run();
}

}  // namespace zelmora
