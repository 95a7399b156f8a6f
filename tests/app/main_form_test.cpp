#include <gtest/gtest.h>

#include "core/error.h"
#include "core/error_report.h"
#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using namespace std::chrono_literals;

// The main window as the program's design fixes it, written out here once on
// purpose rather than read from the layout table the window is built from.
TEST(MainWindow, HasEveryControlAtItsPlaceWithItsCaption) {
  using enum platform::ControlKind;
  struct Expected {
    const char* name;
    platform::ControlKind kind;
    platform::Rect bounds;
    const char* text;
    bool checked;
  };
  const Expected expected[] = {
      {"grp3", GroupBox, {8, 8, 105, 49}, "工号", false},
      {"edt1", Edit, {16, 26, 89, 21}, "ZM-", false},
      {"grp2", GroupBox, {120, 8, 73, 49}, "更新频率", false},
      {"edt2", Edit, {128, 27, 41, 21}, "60", false},
      {"lbl3", Label, {169, 30, 12, 13}, "秒", false},
      {"grp5", GroupBox, {200, 8, 73, 49}, "关闭提示", false},
      {"edt3", Edit, {208, 27, 41, 21}, "30", false},
      {"lbl6", Label, {250, 30, 12, 13}, "秒", false},
      {"grp4", GroupBox, {280, 8, 89, 169}, "选项", false},
      {"chktype1", CheckBox, {296, 32, 65, 17}, "全自动", true},
      {"chktype2", CheckBox, {296, 56, 65, 17}, "半自动", true},
      {"chkip1", CheckBox, {296, 104, 65, 17}, "换IP", true},
      {"chkip2", CheckBox, {296, 128, 65, 17}, "不换IP", true},
      {"grp1", GroupBox, {8, 64, 265, 113}, "公告信息", false},
      {"lbl1", WrappedLabel, {24, 88, 233, 81}, "", false},
      {"lbl2", Label, {23, 215, 48, 13}, "T+0ms", false},  // the start-up time replaces "更新时间"
      {"btn1", Button, {104, 208, 75, 25}, "开始", false},
      {"btn2", Button, {192, 208, 75, 25}, "停止", false},
      {"btn3", Button, {280, 208, 75, 25}, "查看提示", false},
      {"lbl4", Link, {184, 244, 84, 13}, "Zelmora投票平台", false},
      {"lbl5", Link, {280, 244, 79, 13}, "QQ:12345", false},
  };
  FormFixture f;
  FakeMainWindow& window = *f.desktop.mainWindow;
  EXPECT_EQ(window.design.caption, "Zelmora任务提醒器1.62");
  EXPECT_EQ(f.desktop.applicationTitle, "Zelmora任务提醒器");
  EXPECT_EQ(window.design.clientSize, (platform::Size{378, 265}));
  ASSERT_EQ(window.controls.size(), std::size(expected));
  for (const Expected& control : expected) {
    FakeControl& made = f.Control(control.name);
    EXPECT_EQ(made.design.kind, control.kind) << control.name;
    EXPECT_EQ(made.design.bounds, control.bounds) << control.name;
    EXPECT_EQ(made.Text(), control.text) << control.name;
    EXPECT_EQ(made.Checked(), control.checked) << control.name;
  }
  EXPECT_EQ(window.tabOrder, (std::vector<std::string>{"chktype1", "chktype2", "chkip1", "chkip2", "btn1",
                                                       "btn2", "btn3", "edt1", "edt2", "edt3"}));
}

TEST(MainWindow, CreationTakesItOffTheTaskbarAndShowsTheStartUpTime) {
  FormFixture f;
  EXPECT_TRUE(f.desktop.mainWindow->offTaskbar);
  EXPECT_EQ(f.Control("lbl2").Text(), "T+0ms");
  EXPECT_TRUE(f.desktop.trayIconShown) << "the icon is there from creation on";
}

TEST(MainWindow, AFailingSettingsLoadIsReportedAndStopsTheCreationHandler) {
  FormFixture f([](TForm1& form) {
    form.Control("edt1").SetText("stored");
    throw Error("Invalid data type for 'interval'");
  });
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Invalid data type for 'interval'");
  EXPECT_EQ(f.desktop.errors[0].title, "Zelmora任务提醒器");
  EXPECT_EQ(f.Control("edt1").Text(), "stored");
  EXPECT_FALSE(f.desktop.mainWindow->offTaskbar);
  EXPECT_EQ(f.Control("lbl2").Text(), "更新时间");
}

// The rest of Start does not run: the ids stay, the poll stays off.
TEST(MainWindow, ARefusedSaveStopsStartWithAReportAndLeavesThePollAsItWas) {
  FormFixture f({}, [](TForm1&) { throw Error("Failed to set data for 'userid'"); });
  f.state.TaskId = 5;
  f.state.PrevTaskId = 4;
  f.state.NoteId = 3;
  f.Control("btn1").Click();
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Failed to set data for 'userid'");
  EXPECT_TRUE(f.Control("btn1").Enabled());
  EXPECT_EQ(f.state.TaskId, 5);
  EXPECT_EQ(f.state.PrevTaskId, 4);
  EXPECT_EQ(f.state.NoteId, 3);
  EXPECT_FALSE(f.form1->Poll().tmr1().Enabled());
  f.desktop.Advance(1s);
  EXPECT_EQ(f.exchange->runs, 0);
}

TEST(MainWindow, StartSavesBeforeItArmsThePoll) {
  int saves = 0;
  FormFixture f({}, [&saves](TForm1&) { ++saves; });
  f.Control("btn1").Click();
  EXPECT_EQ(saves, 1);
  f.Control("btn2").Click();
  f.Control("btn1").Click();
  EXPECT_EQ(saves, 2);
}

TEST(MainWindow, LinksOpenThePlatformAndTheSupportChat) {
  FormFixture f;
  f.Control("lbl4").Click();
  f.Control("lbl5").Click();
  EXPECT_EQ(f.desktop.shellOpens,
            (std::vector<std::string>{"tasks.example:8080", "http://chat.example/msgrd?v=3&uin=12345"}));
}

TEST(MainWindow, TheWorkerSeesTheFilterBoxesAsTheUserLeftThem) {
  FormFixture f;
  f.Control("chkip1").Click();
  EXPECT_FALSE(f.form1->Filters().ip1);
  EXPECT_TRUE(f.form1->Filters().type1);
  f.Control("chkip1").Click();
  EXPECT_TRUE(f.form1->Filters().ip1);
}

TEST(ErrorReport, AddsAFullStopOnlyAfterBytesThatSortAfterIt) {
  EXPECT_EQ(ErrorReportText("Connection refused"), "Connection refused.");
  EXPECT_EQ(ErrorReportText("Error 5"), "Error 5.");
  EXPECT_EQ(ErrorReportText("Invalid data type for 'interval'"), "Invalid data type for 'interval'");
  EXPECT_EQ(ErrorReportText("done."), "done.");
  EXPECT_EQ(ErrorReportText("(x)"), "(x)");
  EXPECT_EQ(ErrorReportText("a-"), "a-");
  EXPECT_EQ(ErrorReportText(""), "");
  EXPECT_EQ(ErrorReportText("失败"), "失败.");
}

TEST(Timers, SameIntervalOrEnablingAnEnabledTimerKeepsTheCountdown) {
  FakeDesktop desktop;
  int ticks = 0;
  Timer timer(desktop, 1000, true, [&ticks] { ++ticks; });
  desktop.Advance(600ms);
  timer.SetInterval(1000);
  timer.SetEnabled(true);
  desktop.Advance(400ms);
  EXPECT_EQ(ticks, 1);

  desktop.Advance(600ms);
  timer.SetInterval(2000);  // a new interval starts afresh
  desktop.Advance(1999ms);
  EXPECT_EQ(ticks, 1);
  desktop.Advance(1ms);
  EXPECT_EQ(ticks, 2);

  timer.SetEnabled(false);
  desktop.Advance(10s);
  EXPECT_EQ(ticks, 2);
}

TEST(Timers, AFailingHandlerIsReportedAndTheTimerGoesOn) {
  FakeDesktop desktop;
  int ticks = 0;
  Timer timer(desktop, 1000, true, [&ticks] {
    ++ticks;
    throw Error("boom");
  });
  desktop.Advance(3s);
  EXPECT_EQ(ticks, 3);
  ASSERT_EQ(desktop.errors.size(), 3u);
  EXPECT_EQ(desktop.errors[0].text, "boom.");
}

}  // namespace
}  // namespace zelmora::testing
