#include <gtest/gtest.h>

#include "core/error.h"
#include "core/error_report.h"
#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using namespace std::chrono_literals;

TEST(MainWindow, HasEveryControlAtItsPlaceWithItsCaption) {
  FormFixture f;
  FakeMainWindow& window = *f.desktop.mainWindow;
  EXPECT_EQ(window.design.caption, "Zelmora任务提醒器1.62");
  EXPECT_EQ(f.desktop.applicationTitle, "Zelmora任务提醒器");
  EXPECT_EQ(window.design.clientSize, (platform::Size{378, 265}));
  ASSERT_EQ(window.controls.size(), 21u);

  EXPECT_EQ(f.Control("edt1").Text(), "ZM-");
  EXPECT_EQ(f.Control("edt2").Text(), "60");
  EXPECT_EQ(f.Control("edt3").Text(), "30");
  for (const char* box : {"chktype1", "chktype2", "chkip1", "chkip2"})
    EXPECT_TRUE(f.Control(box).Checked()) << box;
  EXPECT_EQ(f.Control("lbl5").Text(), "QQ:12345");
  EXPECT_EQ(f.Control("lbl4").Text(), "Zelmora投票平台");
  EXPECT_EQ(f.Control("btn3").Text(), "查看提示");
  EXPECT_EQ(f.Control("lbl1").design.kind, platform::ControlKind::WrappedLabel);
  EXPECT_EQ(f.Control("lbl1").design.bounds, (platform::Rect{24, 88, 233, 81}));
  EXPECT_EQ(f.Control("btn2").design.bounds, (platform::Rect{192, 208, 75, 25}));
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

TEST(MainWindow, ARefusedSaveStopsStartWithAReport) {
  FormFixture f({}, [](TForm1&) { throw Error("Failed to set data for 'userid'"); });
  f.Control("btn1").Click();
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Failed to set data for 'userid'");
  EXPECT_TRUE(f.Control("btn1").Enabled());
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
