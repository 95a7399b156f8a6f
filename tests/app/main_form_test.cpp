#include <gtest/gtest.h>

#include "core/error.h"
#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using namespace std::chrono_literals;

// What the design fixes and the user meets first: title, size, the texts and
// marks the controls start with, the support number in its link, the tab order.
TEST(MainWindow, StartsAsTheDesignFixesIt) {
  FormFixture f;
  FakeMainWindow& window = *f.desktop.mainWindow;
  EXPECT_EQ(window.design.caption, "Zelmora任务提醒器1.62");
  EXPECT_EQ(f.desktop.applicationTitle, "Zelmora任务提醒器");
  EXPECT_EQ(window.design.clientSize, (platform::Size{378, 265}));
  EXPECT_EQ(window.controls.size(), 21u);
  EXPECT_EQ(f.ui.edt1.Text(), "ZM-");
  EXPECT_EQ(f.ui.edt2.Text(), "60");
  EXPECT_EQ(f.ui.edt3.Text(), "30");
  for (const FakeControl* box : {&f.ui.chktype1, &f.ui.chktype2, &f.ui.chkip1, &f.ui.chkip2}) {
    EXPECT_EQ(box->design.kind, platform::ControlKind::CheckBox) << box->name;
    EXPECT_TRUE(box->Checked()) << box->name;
  }
  EXPECT_EQ(f.ui.lbl1.design.kind, platform::ControlKind::WrappedLabel);
  EXPECT_EQ(f.ui.lbl5.Text(), "QQ:12345");
  EXPECT_EQ(f.ui.lbl5.design.kind, platform::ControlKind::Link);
  EXPECT_EQ(window.tabOrder, (std::vector<std::string>{"chktype1", "chktype2", "chkip1", "chkip2", "btn1",
                                                       "btn2", "btn3", "edt1", "edt2", "edt3"}));
}

TEST(MainWindow, CreationTakesItOffTheTaskbarAndShowsTheStartUpTime) {
  FormFixture f;
  EXPECT_TRUE(f.desktop.mainWindow->offTaskbar);
  EXPECT_EQ(f.ui.lbl2.Text(), "T+0ms");
  EXPECT_TRUE(f.desktop.trayIconShown) << "the icon is there from creation on";
}

TEST(MainWindow, AFailingSettingsLoadIsReportedAndStopsTheCreationHandler) {
  FormFixture f([](const MainFormControls& controls) {
    controls.edt1.SetText("stored");
    throw Error("Invalid data type for 'interval'");
  });
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Invalid data type for 'interval'");
  EXPECT_EQ(f.desktop.errors[0].title, "Zelmora任务提醒器");
  EXPECT_EQ(f.ui.edt1.Text(), "stored");
  EXPECT_FALSE(f.desktop.mainWindow->offTaskbar);
  EXPECT_EQ(f.ui.lbl2.Text(), "更新时间");
}

// The rest of Start does not run: the ids stay, the poll stays off.
TEST(MainWindow, ARefusedSaveStopsStartWithAReportAndLeavesThePollAsItWas) {
  FormFixture f({}, [](const MainFormControls&) { throw Error("Failed to set data for 'userid'"); });
  f.state.TaskId = 5;
  f.state.PrevTaskId = 4;
  f.state.NoteId = 3;
  f.ui.btn1.Click();
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Failed to set data for 'userid'");
  EXPECT_TRUE(f.ui.btn1.Enabled());
  EXPECT_EQ(f.state.TaskId, 5);
  EXPECT_EQ(f.state.PrevTaskId, 4);
  EXPECT_EQ(f.state.NoteId, 3);
  EXPECT_FALSE(f.form1->Poll().tmr1().Enabled());
  f.desktop.Advance(1s);
  EXPECT_EQ(f.exchange->runs, 0);
}

TEST(MainWindow, StartSavesBeforeItArmsThePoll) {
  int saves = 0;
  FormFixture f({}, [&saves](const MainFormControls&) { ++saves; });
  f.ui.btn1.Click();
  EXPECT_EQ(saves, 1);
  f.ui.btn2.Click();
  f.ui.btn1.Click();
  EXPECT_EQ(saves, 2);
}

TEST(MainWindow, LinksOpenThePlatformAndTheSupportChat) {
  FormFixture f;
  f.ui.lbl4.Click();
  f.ui.lbl5.Click();
  EXPECT_EQ(f.desktop.shellOpens,
            (std::vector<std::string>{"tasks.example:8080", "http://chat.example/msgrd?v=3&uin=12345"}));
}

TEST(MainWindow, TheWorkerSeesTheFilterBoxesAsTheUserLeftThem) {
  FormFixture f;
  f.ui.chkip1.Click();
  EXPECT_FALSE(f.form1->Filters().ip1);
  EXPECT_TRUE(f.form1->Filters().type1);
  f.ui.chkip1.Click();
  EXPECT_TRUE(f.form1->Filters().ip1);
}

}  // namespace
}  // namespace zelmora::testing
