// What the tray tells and offers on a working day: the polling state in its
// tooltip and image, the alarm when polling stops working, its menu with the
// day's tasks, the new-task sound, the start options, the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "core/event_log.h"
#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using namespace std::chrono_literals;
using platform::TrayImage;

// The log as the program writes it, kept in memory.
struct CapturedLog {
  std::vector<std::string> lines;
  ScopedLogSink sink{[this](const std::string& line) { lines.push_back(line); }};
};

struct FakeStartAtLogin final : platform::StartAtLogin {
  bool IsOn() const override { return on; }
  void Set(bool wanted) override {
    if (refuse) throw Error("Cannot write the autostart entry: Permission denied");
    on = wanted;
  }
  bool on = false;
  bool refuse = false;
};

// Runs one poll of the scripted exchange, 100 ms after Start or a full interval later.
void Poll(FormFixture& f, std::chrono::milliseconds wait) {
  f.desktop.Advance(wait);
  f.FinishPoll();
}

TEST(TrayStatus, TooltipAndIconFollowThePollsAndTheLogKeepsOnlyChanges) {
  CapturedLog log;
  FormFixture f;
  FakeTray& tray = *f.desktop.tray;
  EXPECT_EQ(tray.shown.tip, "Zelmora任务提醒器\n已停止");
  EXPECT_EQ(tray.shown.image, TrayImage::Program);

  f.ui.btn1.Click();
  EXPECT_EQ(tray.shown.tip, "Zelmora任务提醒器\n正在查询新任务");

  f.exchange->script = [] { throw Error("Socket Error # 10061\r\nConnection refused."); };
  Poll(f, 100ms);
  EXPECT_EQ(
      tray.shown.tip,
      "Zelmora任务提醒器\n无法连接任务服务器（自 T+100ms 起）\nSocket Error # 10061 Connection refused.");
  EXPECT_EQ(tray.shown.image, TrayImage::Dimmed);
  EXPECT_EQ(f.ui.lbl2.Text(), "T+100ms") << "the main window shows no more than before";

  Poll(f, 60s);
  EXPECT_EQ(
      tray.shown.tip,
      "Zelmora任务提醒器\n无法连接任务服务器（自 T+100ms 起）\nSocket Error # 10061 Connection refused.")
      << "failing since the first failure";
  f.exchange->script = [] { throw Error("Socket Error # 10060\r\nConnection timed out."); };
  Poll(f, 60s);

  f.exchange->script = nullptr;
  Poll(f, 60s);
  EXPECT_EQ(tray.shown.tip, "Zelmora任务提醒器\n正在查询新任务，上次回复 T+180100ms");
  EXPECT_EQ(tray.shown.image, TrayImage::Program);
  Poll(f, 60s);

  f.ui.btn2.Click();
  EXPECT_EQ(tray.shown.tip, "Zelmora任务提醒器\n已停止");
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "polling started",
                           "poll failed: Socket Error # 10061 Connection refused.",
                           "poll failed: Socket Error # 10060 Connection timed out.",
                           "the task server answers again",
                           "polling stopped",
                       }));
}

TEST(TrayStatus, APollThatEndsAfterStopLeavesItStopped) {
  FormFixture f;
  f.ui.btn1.Click();
  f.exchange->Hold();
  f.exchange->script = [] { throw Error("Socket Error # 10061\r\nConnection refused."); };
  f.desktop.Advance(100ms);
  f.ui.btn2.Click();
  f.exchange->Release();
  f.FinishPoll();
  EXPECT_EQ(f.desktop.tray->shown.tip, "Zelmora任务提醒器\n已停止");
  EXPECT_EQ(f.desktop.tray->shown.image, TrayImage::Program);
}

TEST(TrayStatus, AServerReplyQuotedInAFailureIsCutShortAndKeptValidText) {
  FormFixture f;
  f.ui.btn1.Click();
  // A reply in the server's code page, quoted by the integer rule's complaint.
  const std::string reply = "'\xC4\xE3\xBA\xC3" + std::string(400, 'x') + "' is not a valid integer value";
  f.exchange->script = [reply] { throw Error(reply); };
  Poll(f, 100ms);
  const std::string& tip = f.desktop.tray->shown.tip;
  const std::string text = tip.substr(tip.rfind('\n') + 1);
  EXPECT_TRUE(text.starts_with("'????xxx")) << text;
  EXPECT_TRUE(text.ends_with("x…")) << text;
  EXPECT_LE(text.size(), 165u);
}

// A popup that cannot show task pages is told as a failing poll is: in the
// tooltip with since when, under a dimmed icon, and once in the log.
TEST(TrayStatus, APageViewThatCannotShowPagesDimsTheIconUntilItShowsOneAgain) {
  CapturedLog log;
  FormFixture f;
  FakeTray& tray = *f.desktop.tray;
  f.ui.btn1.Click();
  Poll(f, 100ms);
  // What the helper said last, an escape sequence and all.
  f.desktop.popup->ReportPageViewTrouble("zelmora-pageview ended with exit code 1: \x1b[1mno display");
  f.desktop.popup->ReportPageViewTrouble("zelmora-pageview ended with exit code 1: \x1b[1mno display");
  const std::string reason = "zelmora-pageview ended with exit code 1:  [1mno display";
  const std::string troubled = "\n无法显示任务页（自 T+100ms 起）\n" + reason;
  EXPECT_EQ(tray.shown.tip, "Zelmora任务提醒器\n正在查询新任务，上次回复 T+100ms" + troubled);
  EXPECT_EQ(tray.shown.image, TrayImage::Dimmed);
  Poll(f, 60s);
  EXPECT_EQ(tray.shown.image, TrayImage::Dimmed) << "a poll that works does not hide it";
  f.ui.btn2.Click();
  EXPECT_EQ(tray.shown.tip, "Zelmora任务提醒器\n已停止" + troubled);

  f.desktop.popup->ReportPageViewTrouble("");
  EXPECT_EQ(tray.shown.tip, "Zelmora任务提醒器\n已停止");
  EXPECT_EQ(tray.shown.image, TrayImage::Program);
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "polling started",
                           "page view failed: " + reason,
                           "polling stopped",
                           "the page view shows pages again",
                       }));
}

TEST(TrayStatus, ControlAndInvisibleCharactersOfAFailureReachNeitherTooltipNorLog) {
  CapturedLog log;
  FormFixture f;
  f.ui.btn1.Click();
  // A status line with an 8-bit CSI, DEL, a right-to-left override, an isolate
  // and zero-width characters, each of which would act or hide instead of show.
  f.exchange->script = [] { throw Error("HTTP/1.1 500 \u009B31mA\u007FB\u202EC\u2066D\u200BE\uFEFFF"); };
  Poll(f, 100ms);
  const std::string shown = "HTTP/1.1 500  31mA B C D E F";
  EXPECT_TRUE(f.desktop.tray->shown.tip.ends_with("\n" + shown)) << f.desktop.tray->shown.tip;
  EXPECT_EQ(log.lines.back(), "poll failed: " + shown);
}

TEST(TrayStatus, TheWaitABusyServerAskedForIsToldWithItsReason) {
  CapturedLog log;
  FormFixture f;
  const std::string& tip = f.desktop.tray->shown.tip;
  f.ui.btn1.Click();
  f.exchange->script = [] { throw ReplyStatusError("HTTP/1.1 429 Too Many Requests", 429, "600"); };
  Poll(f, 100ms);
  EXPECT_EQ(
      tip,
      "Zelmora任务提醒器\n无法连接任务服务器（自 T+100ms 起）\n下次查询 T+600100ms（服务器要求稍后再查）\n"
      "HTTP/1.1 429 Too Many Requests");
  EXPECT_EQ(log.lines.back(),
            "poll failed: HTTP/1.1 429 Too Many Requests; next poll at T+600100ms, as the server asked "
            "(Retry-After)");

  f.exchange->script = [] { throw ReplyStatusError("HTTP/1.1 503 Service Unavailable", 503, ""); };
  Poll(f, 600s);
  EXPECT_NE(tip.find("\n下次查询 T+"), std::string::npos) << tip;
  EXPECT_NE(tip.find("（服务器繁忙，已放慢查询）\nHTTP/1.1 503"), std::string::npos) << tip;
  const std::string& slowed = log.lines.at(log.lines.size() - 2);  // the alarm follows it
  EXPECT_TRUE(slowed.ends_with("ms, slowed down while the server is busy")) << slowed;

  // Started again during the wait: the first poll still waits, and says so.
  f.ui.btn2.Click();
  f.ui.btn1.Click();
  EXPECT_TRUE(tip.starts_with("Zelmora任务提醒器\n正在查询新任务\n下次查询 T+")) << tip;
}

// ---- the alarm when polling stops working ----

// Runs `count` polls a minute apart.
void PollEveryMinute(FormFixture& f, int count) {
  for (int i = 0; i < count; ++i) Poll(f, 60s);
}

TEST(PollingAlarm, ComesOnceAfterFiveMinutesOfFailuresAndOnceWhenPollingWorksAgain) {
  CapturedLog log;
  FormFixture f({}, {}, {.startAtLogin = nullptr, .newTaskSound = true, .saveNewTaskSound = {}});
  const std::vector<platform::TrayMessage>& messages = f.desktop.tray->messages;
  const auto refused = [] { throw Error("Socket Error # 10061\r\nConnection refused."); };
  f.ui.btn1.Click();

  // Four minutes of failures, then an answer: the count starts again.
  f.exchange->script = refused;
  Poll(f, 100ms);
  PollEveryMinute(f, 4);
  f.exchange->script = nullptr;
  PollEveryMinute(f, 1);
  f.exchange->script = refused;
  PollEveryMinute(f, 5);
  EXPECT_TRUE(messages.empty()) << "four minutes of failures are not five";

  PollEveryMinute(f, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Zelmora任务提醒器");
  EXPECT_EQ(messages[0].text, "已连续 5 分钟无法查询新任务\nSocket Error # 10061 Connection refused.");
  EXPECT_EQ(messages[0].kind, platform::TrayMessage::Kind::Warning);
  EXPECT_EQ(f.desktop.sounds, 1);
  PollEveryMinute(f, 10);
  EXPECT_EQ(messages.size(), 1u) << "no repeats while the polls go on failing";

  f.exchange->script = nullptr;
  PollEveryMinute(f, 2);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "查询新任务已恢复正常");
  EXPECT_EQ(f.desktop.sounds, 2);
  std::erase_if(log.lines, [](const std::string& line) { return !line.starts_with("alarm"); });
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "alarm: polls have failed for 5 minutes: Socket Error # 10061 Connection refused.",
                           "alarm over: polling works again"}));
}

TEST(PollingAlarm, AWorkerTheServerRefusesIsToldAtOnceAndOnlyOnce) {
  FormFixture f;
  const std::vector<platform::TrayMessage>& messages = f.desktop.tray->messages;
  f.ui.btn1.Click();
  f.exchange->script = [] { throw ReplyStatusError("HTTP/1.1 403 Forbidden", 403, ""); };
  Poll(f, 100ms);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "任务服务器拒绝查询，请检查工号\nHTTP/1.1 403 Forbidden");
  EXPECT_EQ(f.desktop.sounds, 0) << "the sound is off";

  // Still refused after Stop and Start: told already. Then answered.
  f.ui.btn2.Click();
  f.ui.btn1.Click();
  Poll(f, 100ms);
  EXPECT_EQ(messages.size(), 1u);
  f.exchange->script = nullptr;
  PollEveryMinute(f, 1);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "查询新任务已恢复正常");
}

TEST(TrayMenu, StartAndStopRunTheButtonsHandlersAndFollowTheirState) {
  int saves = 0;
  FormFixture f({}, [&saves](const MainFormControls&) { ++saves; });
  FakeTray& tray = *f.desktop.tray;
  tray.Choose("开始");
  EXPECT_EQ(saves, 1);
  EXPECT_FALSE(f.ui.btn1.Enabled());
  EXPECT_FALSE(tray.ItemEnabled("开始")) << "disabled while the Start button is";
  Poll(f, 100ms);
  EXPECT_EQ(f.exchange->runs, 1);

  tray.Choose("停止");
  EXPECT_TRUE(f.ui.btn1.Enabled());
  EXPECT_TRUE(tray.ItemEnabled("开始"));
  f.desktop.Advance(120s);
  EXPECT_EQ(f.exchange->runs, 1);
}

TEST(TrayMenu, ARefusedSaveStopsStartFromTheMenuWithTheSameReport) {
  FormFixture f({}, [](const MainFormControls&) { throw Error("Failed to set data for 'userid'"); });
  f.desktop.tray->Choose("开始");
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Failed to set data for 'userid'");
  EXPECT_TRUE(f.ui.btn1.Enabled());
}

TEST(TrayMenu, OpensOnARightPressOnly) {
  FormFixture f;
  FakeTray& tray = *f.desktop.tray;
  tray.Mouse(platform::TrayMouse::LeftDown);
  tray.Mouse(platform::TrayMouse::LeftUp);
  EXPECT_EQ(tray.menuPopUps, 0);
  tray.Mouse(platform::TrayMouse::RightDown);
  tray.Mouse(platform::TrayMouse::RightUp);
  EXPECT_EQ(tray.menuPopUps, 1);
}

TEST(TrayMenu, ShowsTheMainWindowShowsThePopupAndEnds) {
  FormFixture f;
  FakeMainWindow& window = *f.desktop.mainWindow;
  window.Show();
  window.MinimizeByUser();
  f.desktop.tray->Choose("显示主窗口");
  EXPECT_TRUE(window.IsVisible());
  EXPECT_FALSE(window.minimized);

  f.desktop.tray->Choose("查看提示");
  EXPECT_TRUE(f.Popup().visible);

  f.desktop.tray->Choose("退出");
  EXPECT_TRUE(window.closed);
}

TEST(TrayMenu, StartAtLoginIsReadFromTheSystemEachTimeTheMenuOpens) {
  CapturedLog log;
  FakeStartAtLogin system;
  FormFixture f({}, {}, {.startAtLogin = &system, .newTaskSound = false, .saveNewTaskSound = {}});
  FakeTray& tray = *f.desktop.tray;
  EXPECT_FALSE(tray.ItemChecked("开机自动启动"));
  system.on = true;  // switched on elsewhere (the installer)
  EXPECT_TRUE(tray.ItemChecked("开机自动启动"));

  tray.Choose("开机自动启动");
  EXPECT_FALSE(system.on);
  system.refuse = true;
  tray.Choose("开机自动启动");
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Cannot write the autostart entry: Permission denied.");
  EXPECT_FALSE(tray.ItemChecked("开机自动启动"));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"start at login switched off",
                                      "error shown: Cannot write the autostart entry: Permission denied."}));
}

TEST(NewTask, IsLoggedAndSoundedOnlyWhileTheSoundIsOn) {
  CapturedLog log;
  std::vector<bool> stored;
  FormFixture f({}, {},
                {.startAtLogin = nullptr, .newTaskSound = false, .saveNewTaskSound = [&stored](bool on) {
                   stored.push_back(on);
                 }});
  FakeTray& tray = *f.desktop.tray;
  EXPECT_FALSE(tray.ItemChecked("新任务提示音")) << "off by default";
  auto newTask = [&f](int32_t id) {
    f.state.TaskId.store(id);
    f.state.NewTaskFlag.store(1);
    f.desktop.Advance(1s);
  };
  newTask(12);
  EXPECT_EQ(f.desktop.sounds, 0);

  tray.Choose("新任务提示音");
  EXPECT_TRUE(tray.ItemChecked("新任务提示音"));
  newTask(13);
  EXPECT_EQ(f.desktop.sounds, 1);
  EXPECT_EQ(stored, std::vector<bool>{true});

  f.state.NoteId.store(3);
  f.announce("\xC4\xE3\xBA\xC3");  // announcement 3 reaches the window
  f.desktop.RunPosted();
  EXPECT_EQ(log.lines, (std::vector<std::string>{"new task 12", "new-task sound switched on", "new task 13",
                                                 "new announcement 3"}));
}

// The reply that brings a new task readies the page view: the watcher asks
// for the page only at its next tick.
TEST(NewTask, ItsReplyReadiesThePageViewBeforeTheWatcherAsksForThePage) {
  FormFixture f;
  f.ui.btn1.Click();
  f.exchange->script = [&f] { f.state.NewTaskFlag.store(1, std::memory_order_release); };
  Poll(f, 100ms);
  EXPECT_EQ(f.Popup().preparations, 1);
  EXPECT_TRUE(f.Popup().navigations.empty());
  f.desktop.Advance(900ms);
  EXPECT_EQ(f.Popup().navigations.size(), 1u);

  f.exchange->script = nullptr;  // nothing new
  Poll(f, 60s);
  EXPECT_EQ(f.Popup().preparations, 1);
}

TEST(NewTask, ASoundChoiceThatCannotBeStoredStaysAsItWas) {
  FormFixture f({}, {}, {.startAtLogin = nullptr, .newTaskSound = false, .saveNewTaskSound = [](bool) {
                           throw Error("Failed to set data for 'sound'");
                         }});
  f.desktop.tray->Choose("新任务提示音");
  EXPECT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_FALSE(f.desktop.tray->ItemChecked("新任务提示音"));
}

// ---- today's tasks in the tray menu ----

// The watcher takes a new task at its next tick, a second from now.
void AnnounceTask(FormFixture& f, int32_t id) {
  f.state.PrevTaskId.store(f.state.TaskId.load());
  f.state.TaskId.store(id);
  f.state.NewTaskFlag.store(1);
  f.desktop.Advance(1s);
}

std::vector<std::string> TodaysTaskTexts(FormFixture& f) {
  std::vector<std::string> texts;
  for (const platform::TrayMenuItem& item : f.desktop.tray->Submenu("今日任务")) texts.push_back(item.text);
  return texts;
}

TEST(TodaysTasks, NewestFirstAtMostTwentyEachShowingItsOwnPageAgain) {
  FormFixture f;
  for (int32_t id = 1; id <= 22; ++id) AnnounceTask(f, id);
  const std::vector<platform::TrayMenuItem> list = f.desktop.tray->Submenu("今日任务");
  ASSERT_EQ(list.size(), 20u);
  EXPECT_EQ(list.front().text, "T+22000ms  任务 22");
  EXPECT_EQ(list.back().text, "T+3000ms  任务 3");

  f.Popup().CloseByUser();
  ASSERT_EQ(list[17].text, "T+5000ms  任务 5");
  list[17].chosen();
  EXPECT_TRUE(f.Popup().visible);
  EXPECT_EQ(f.Popup().navigations.back(), f.Popup().navigations.at(4)) << "task 5's own page";

  // Announced again (polling started anew): listed once, at its latest notice.
  AnnounceTask(f, 21);
  const std::vector<std::string> texts = TodaysTaskTexts(f);
  EXPECT_EQ(texts.size(), 20u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 3),
            (std::vector<std::string>{"T+23000ms  任务 21", "T+22000ms  任务 22", "T+20000ms  任务 20"}));
}

TEST(TodaysTasks, StartEmptyAndBeginAgainAtMidnight) {
  FormFixture f;
  f.desktop.timeOfDayAtStart = 23h + 59min;
  const std::vector<std::string> none{"今天还没有新任务"};
  EXPECT_EQ(TodaysTaskTexts(f), none);
  EXPECT_FALSE(f.desktop.tray->Submenu("今日任务")[0].enabled());
  AnnounceTask(f, 1);
  AnnounceTask(f, 2);
  EXPECT_EQ(TodaysTaskTexts(f).size(), 2u);
  f.desktop.Advance(59s);  // 00:00:01
  EXPECT_EQ(TodaysTaskTexts(f), none);
  AnnounceTask(f, 3);
  EXPECT_EQ(TodaysTaskTexts(f), std::vector<std::string>{"T+62000ms  任务 3"});
}

TEST(StartOptions, MinimizedStartsInTheTrayOrMinimisedWhereThereIsNone) {
  FormFixture inTray;
  inTray.reminder->Begin({.minimized = true});
  EXPECT_FALSE(inTray.desktop.mainWindow->visible);
  EXPECT_TRUE(inTray.desktop.trayIconShown);

  FormFixture noTray;
  noTray.desktop.trayHostRunning = false;
  noTray.reminder->Begin({.minimized = true});
  EXPECT_TRUE(noTray.desktop.mainWindow->visible);
  EXPECT_TRUE(noTray.desktop.mainWindow->minimized);
}

// Pressed as a user would, once the start-up second is over: the auto-close
// timer's start-up firing would hide the popup of a task in the first reply.
TEST(StartOptions, StartIsPressedAfterTheStartUpSecondAndTheFirstTaskStaysInSight) {
  std::vector<std::string> calls;
  FormFixture f([&calls](const MainFormControls&) { calls.push_back("load"); },
                [&calls](const MainFormControls&) { calls.push_back("save"); });
  f.reminder->Begin({.start = true});
  EXPECT_TRUE(f.desktop.mainWindow->visible);
  EXPECT_EQ(calls, std::vector<std::string>{"load"});
  f.desktop.Advance(1200ms);
  EXPECT_EQ(calls, (std::vector<std::string>{"load", "save"}));
  EXPECT_FALSE(f.ui.btn1.Enabled());

  Poll(f, 100ms);
  EXPECT_EQ(f.exchange->runs, 1);
  f.state.TaskId.store(5);  // the first reply brings a task
  f.state.NewTaskFlag.store(1);
  f.desktop.Advance(1s);
  ASSERT_TRUE(f.Popup().visible);
  f.Popup().CompleteDocument();
  f.desktop.Advance(29s);
  EXPECT_TRUE(f.Popup().visible) << "hidden before its close time of 30 s";
  f.desktop.Advance(1s);
  EXPECT_FALSE(f.Popup().visible);
}

// Started at login with a stored setting of the wrong type: nobody is there to
// answer a message box, so the report waits in the tray and polling starts.
TEST(StartOptions, AtLoginAStartUpErrorWaitsInTheTrayUntilTheWindowIsOpened) {
  CapturedLog log;
  int saves = 0;
  FormFixture f([](const MainFormControls&) { throw Error("Invalid data type for 'interval'"); },
                [&saves](const MainFormControls&) { ++saves; }, {}, {.minimized = true, .start = true});
  f.reminder->Begin({.minimized = true, .start = true});
  FakeTray& tray = *f.desktop.tray;
  EXPECT_TRUE(f.desktop.errors.empty());
  EXPECT_TRUE(tray.shown.tip.ends_with("\n启动时出错（打开主窗口查看）：Invalid data type for 'interval'"))
      << tray.shown.tip;
  EXPECT_EQ(tray.shown.image, TrayImage::Dimmed);
  EXPECT_EQ(log.lines.at(0), "error held until the main window is opened: Invalid data type for 'interval'");

  f.desktop.Advance(1200ms);
  EXPECT_EQ(saves, 1);
  Poll(f, 100ms);
  EXPECT_EQ(f.exchange->runs, 1) << "polling started";
  EXPECT_TRUE(f.desktop.errors.empty());

  tray.Mouse(platform::TrayMouse::LeftDown);
  tray.Mouse(platform::TrayMouse::LeftUp);
  f.desktop.RunPosted();
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Invalid data type for 'interval'");
  EXPECT_EQ(tray.shown.tip.find("启动时出错"), std::string::npos);
  EXPECT_EQ(tray.shown.image, TrayImage::Program);
  f.desktop.tray->Choose("显示主窗口");
  f.desktop.RunPosted();
  EXPECT_EQ(f.desktop.errors.size(), 1u) << "shown once";
}

TEST(StartOptions, AStartTheUserPressedFirstIsNotPressedAgain) {
  int saves = 0;
  FormFixture f({}, [&saves](const MainFormControls&) { ++saves; });
  f.reminder->Begin({.start = true});
  f.desktop.Advance(500ms);
  f.form1->btn1Click();
  f.desktop.Advance(1s);
  EXPECT_EQ(saves, 1);
}

}  // namespace
}  // namespace zelmora::testing
