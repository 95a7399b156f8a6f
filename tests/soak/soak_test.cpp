// The whole poll path, many times over: the main window's logic on the fake
// desktop with its clock run fast, the real HTTP client, and the local task
// server mixing in resets, garbage, cut and slow replies.
//   ZELMORA_SOAK_POLLS=10000 ctest -R Soak   (the long run; CI runs a short one)
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/reminder.h"
#include "platform/codepage.h"
#include "poll/task_server_exchange.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/form_fixture.h"
#include "tests/support/task_server_process.h"
#include "tools/taskserver/task_feed.h"

namespace zelmora::testing {
namespace {

using namespace std::chrono_literals;

int OpenFileDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::atol(line.c_str() + 6);
  }
  return 0;
}

int PollsToRun() {
  const char* text = std::getenv("ZELMORA_SOAK_POLLS");
  return text ? std::atoi(text) : 400;
}

bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  return true;
#endif
#endif
  return false;
}

// A decoded announcement may have been cut short with the reply.
bool IsStartOf(std::string shown, const std::string& full) {
  const std::string replacement = "\xEF\xBF\xBD";
  while (shown.ends_with(replacement)) shown.resize(shown.size() - replacement.size());
  return full.starts_with(shown);
}

TEST(Soak, ThousandsOfPollsAgainstAFaultyServerKeepEveryRule) {
  TaskServerProcess server({"--task-every", "0.05", "--note-every", "0.03", "--fault-rate", "0.25",
                            "--slow-ms", "200", "--seed", "7"});
  ASSERT_FALSE(server.Address().empty()) << "the task server did not start";

  FakeDesktop desktop;
  TForm1::Services services{
      .taskServerHost = server.Address(),
      .supportQq = "1",
      .qqChatHost = "chat.invalid",
      .makeExchange = [&server](const ExchangeContext& context) -> std::unique_ptr<CounterExchange> {
        return std::make_unique<TaskServerExchange>(context, server.Address());
      },
      .loadSettings = {},
      .saveSettings = {},
  };
  Reminder reminder(desktop, std::move(services));
  TForm1& form = reminder.Form1();
  PollState& state = reminder.State();
  const MainFormControlsOf<FakeControl> ui = FakeControls(*desktop.mainWindow);
  ui.edt2.Type("10");
  ui.btn1.Click();

  const int polls = PollsToRun();
  int fdsAtStart = 0;
  long rssAtStart = 0;
  int32_t lastTaskId = 0;
  int32_t lastNoteId = 0;
  int newTasks = 0;
  std::string lastShown;
  for (int poll = 0; poll < polls; ++poll) {
    desktop.Advance(poll == 0 ? 100ms : 10s);
    while (form.Poll().Polling()) ASSERT_TRUE(desktop.WaitForPosted(30s)) << "poll " << poll << " hung";
    if (poll == polls / 10) {
      fdsAtStart = OpenFileDescriptors();
      rssAtStart = ResidentKilobytes();
    }

    const int32_t taskId = state.TaskId;
    const int32_t noteId = state.NoteId;
    ASSERT_GE(taskId, lastTaskId) << "poll " << poll;
    ASSERT_GE(noteId, lastNoteId) << "poll " << poll;
    if (state.NewTaskFlag.exchange(0) == 1) {
      ++newTasks;
      ASSERT_LT(state.PrevTaskId, taskId);
    }
    const std::string shown = ui.lbl1.Text();
    if (shown != lastShown) {
      ASSERT_TRUE(IsStartOf(shown, platform::GbkToUtf8(taskserver::AnnouncementGbk(noteId))))
          << "poll " << poll << " shows '" << shown << "' for announcement " << noteId;
      lastShown = shown;
    }
    ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front().text;
    lastTaskId = taskId;
    lastNoteId = noteId;
  }

  EXPECT_GT(newTasks, polls / 20) << "the server published tasks the polls never saw";
  EXPECT_EQ(OpenFileDescriptors(), fdsAtStart) << "sockets leaked";
  if (!UnderSanitizer() && polls >= 1000) {
    EXPECT_LT(ResidentKilobytes() - rssAtStart, 2048) << "memory grew with the number of polls";
  }
}

}  // namespace
}  // namespace zelmora::testing
