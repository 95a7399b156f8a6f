#include "program/program.h"

#include <cstdlib>
#include <exception>

#include "app/build_config.h"
#include "app/main_form_layout.h"
#include "app/reminder.h"
#include "core/error_report.h"
#include "core/event_log.h"
#include "core/log_file.h"
#include "platform/log_files.h"
#include "platform/registry.h"
#include "platform/start_at_login.h"
#include "poll/task_server_exchange.h"
#include "settings/settings_store.h"
#include "settings/user_settings.h"

namespace zelmora {
namespace {

settings::SettingsControls SettingsOf(const MainFormControls& controls) {
  return {controls.edt1,     controls.edt2,   controls.edt3,  controls.chktype1,
          controls.chktype2, controls.chkip1, controls.chkip2};
}

// Runs a load or a save of the settings and logs how it went; failures go on to be reported.
template <typename Operation>
void Logged(const char* what, const char* keyMissing, Operation operation) {
  try {
    LogEvent(operation() ? std::string("settings ") + what : std::string(keyMissing));
  } catch (const std::exception& failure) {
    LogEvent(std::string("settings not ") + what + ": " + failure.what());
    throw;
  }
}

std::string StartLine(const StartOptions& options) {
  std::string line = std::string("zelmora ") + build::kVersion + " started";
  if (options.minimized) line += " --minimized";
  if (options.start) line += " --start";
  return line;
}

}  // namespace

std::string TaskServerHost(bool testBuild) {
  const char* moved = testBuild ? std::getenv("ZELMORA_TEST_TASK_SERVER") : nullptr;
  return moved != nullptr && *moved != '\0' ? moved : build::kTaskServerHost;
}

int RunReminder(platform::Desktop& desktop, const std::string& taskServerHost, const StartOptions& options) {
  // One log for all of this user's reminders (one per display), and for a
  // second start that finds the running one deaf.
  LogFile log(platform::LogFilePath());
  ScopedLogSink logSink([&log](const std::string& line) { log.Write(line); });
  std::unique_ptr<platform::InstanceClaim> instance;
  try {
    instance = desktop.ClaimInstance();
  } catch (const std::exception& failure) {
    desktop.SetApplicationTitle(kApplicationTitle);
    ReportError(desktop, failure.what());
    return 1;
  }
  if (!instance) return 0;
  LogEvent(StartLine(options));

  std::unique_ptr<platform::Registry> registry = platform::OpenSystemRegistry();
  std::unique_ptr<platform::StartAtLogin> startAtLogin =
      platform::OpenSystemStartAtLogin(kStartAtLoginArguments);
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
          .loadSettings =
              [&registry](const MainFormControls& controls) {
                Logged("loaded", "no settings stored yet: the defaults are shown",
                       [&] { return settings::LoadSettings(*registry, SettingsOf(controls)); });
              },
          .saveSettings =
              [&registry](const MainFormControls& controls) {
                Logged("saved", "settings not saved: the key can be neither opened nor created",
                       [&] { return settings::SaveSettings(*registry, SettingsOf(controls)); });
              },
      },
      {
          .startAtLogin = startAtLogin.get(),
          .newTaskSound = settings::LoadNewTaskSound(*registry),
          .saveNewTaskSound = [&registry](bool on) { settings::SaveNewTaskSound(*registry, on); },
      },
      options);
  instance->OnShowRequest(Guarded(desktop, [&reminder] {
    LogEvent("another start of the program asked for the main window");
    reminder.ShowMainWindow();
  }));
  // The program's files are about to be replaced or removed: end as 退出 does.
  instance->OnCloseRequest([&reminder] {
    LogEvent("the installer or uninstaller asked the reminder to end");
    reminder.Form1().Window().Close();
  });
  reminder.Begin(options);
  const int exitCode = desktop.Run();
  LogEvent("exit");
  return exitCode;
}

}  // namespace zelmora
