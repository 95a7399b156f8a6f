#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using namespace std::chrono_literals;

class PopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.desktop.workArea = {0, 0, 1280, 770};
    f.Popup().outerSize = {306, 226};
    // tmr3 fires once a second after start-up and hides the popup; let it pass
    // (the watcher ticks at 1 s, 2 s, ...; it is now at 1.5 s).
    f.desktop.Advance(1500ms);
  }
  void NoticeNewTask(int32_t prevTaskId) {
    f.state.PrevTaskId = prevTaskId;
    f.state.NewTaskFlag = 1;
  }
  platform::Point Position() { return f.Popup().Position(); }
  FormFixture f;
};

TEST_F(PopupTest, ANoticeLoadsTheTaskPageBelowTheWorkAreaThenJumpsIntoTheCornerWhenLoaded) {
  f.ui.edt1.Type("ZM-张三");
  f.ui.chktype2.Click();
  NoticeNewTask(7);
  f.desktop.Advance(1s);
  EXPECT_EQ(f.state.NewTaskFlag, 0);
  ASSERT_EQ(f.Popup().navigations.size(), 1u);
  EXPECT_EQ(f.Popup().navigations[0],
            platform::Utf8ToUtf16("http://tasks.example:8080/tx.php?action=show&userid=ZM-张三&taskid=7"
                                  "&type1=1&ip1=1&ip2=1"));
  EXPECT_TRUE(f.Popup().IsVisible());
  EXPECT_EQ(Position().y, 770 + 226);
  EXPECT_EQ(Position().x, 1280 - 306);

  f.Popup().CompleteDocument();
  EXPECT_EQ(Position().y, 770 - 226);
  EXPECT_EQ(Position().x, 1280 - 306);
}

TEST_F(PopupTest, CloseTimeCountsFromThePageLoadNotFromTheNotice) {
  NoticeNewTask(1);
  f.desktop.Advance(1s);
  f.desktop.Advance(20s);  // the page is slow
  f.Popup().CompleteDocument();
  f.desktop.Advance(29999ms);
  EXPECT_TRUE(f.Popup().IsVisible());
  f.desktop.Advance(1ms);
  EXPECT_FALSE(f.Popup().IsVisible());
  EXPECT_FALSE(f.form1->tmr3().Enabled());
}

TEST_F(PopupTest, CloseTimeBoxRules) {
  struct Case {
    const char* typed;
    const char* shownAfter;
    int32_t closeTimeMs;
  };
  for (const Case& c :
       {Case{"0", "30", 30000}, Case{"-5", "30", 30000}, Case{"abc", "30", 30000}, Case{"", "30", 30000},
        Case{"1", "1", 1000}, Case{" 5", " 5", 5000}, Case{"5 ", "30", 30000}}) {
    f.ui.edt3.Type(c.typed);
    f.Popup().CompleteDocument();
    EXPECT_EQ(f.ui.edt3.Text(), c.shownAfter) << '"' << c.typed << '"';
    EXPECT_EQ(f.form2->CloseTime(), c.closeTimeMs) << '"' << c.typed << '"';
    EXPECT_EQ(f.form1->tmr3().Interval(), c.closeTimeMs);
  }
}

TEST_F(PopupTest, TwoNoticesBeforeOneTickOpenOnePopupForTheNewestTask) {
  NoticeNewTask(3);
  NoticeNewTask(9);
  f.desktop.Advance(1s);
  f.desktop.Advance(5s);
  ASSERT_EQ(f.Popup().navigations.size(), 1u);
  EXPECT_NE(f.Popup().navigations[0].find(u"taskid=9"), std::u16string::npos);
}

TEST_F(PopupTest, ASecondCompletionKeepsTheCountdownUnlessTheCloseTimeChanged) {
  f.Popup().CompleteDocument();
  f.Popup().Show();
  f.desktop.Advance(20s);
  f.Popup().CompleteDocument();  // another frame of the same page
  f.desktop.Advance(10s);
  EXPECT_FALSE(f.Popup().IsVisible()) << "the first countdown must run on";

  f.Popup().Show();
  f.Popup().CompleteDocument();
  f.desktop.Advance(20s);
  f.ui.edt3.Type("25");
  f.Popup().CompleteDocument();  // changed close time: a fresh countdown
  f.desktop.Advance(24s);
  EXPECT_TRUE(f.Popup().IsVisible());
  f.desktop.Advance(1s);
  EXPECT_FALSE(f.Popup().IsVisible());
}

TEST_F(PopupTest, ViewBeforeAnyNoticeShowsTheEmptyPopupWhereItWasCreatedAndNeverArmsTheTimer) {
  f.ui.btn3.Click();
  EXPECT_TRUE(f.Popup().IsVisible());
  EXPECT_EQ(Position().x, 642);
  EXPECT_EQ(Position().y, 361);
  EXPECT_TRUE(f.Popup().navigations.empty());
  EXPECT_FALSE(f.form1->tmr3().Enabled());
  f.desktop.Advance(10min);
  EXPECT_TRUE(f.Popup().IsVisible());
}

TEST_F(PopupTest, ViewAfterAutoCloseShowsTheLastPageInTheCorner) {
  NoticeNewTask(1);
  f.desktop.Advance(1s);
  f.Popup().CompleteDocument();
  f.desktop.Advance(30s);
  ASSERT_FALSE(f.Popup().IsVisible());
  f.ui.btn3.Click();
  EXPECT_TRUE(f.Popup().IsVisible());
  EXPECT_EQ(Position().y, 770 - 226);
  EXPECT_EQ(f.Popup().navigations.size(), 1u);
}

// The page-loaded handler places the popup and arms the auto-close; whether
// the popup shows is never its business.
TEST_F(PopupTest, APageCompletionNeverShowsOrHidesThePopup) {
  NoticeNewTask(1);
  f.desktop.Advance(1s);
  f.Popup().CloseByUser();  // hidden before its page finished
  int raises = f.Popup().raises;
  f.Popup().CompleteDocument();
  EXPECT_FALSE(f.Popup().IsVisible());
  EXPECT_EQ(Position().x, 1280 - 306);
  EXPECT_EQ(Position().y, 770 - 226);
  EXPECT_TRUE(f.form1->tmr3().Enabled());
  EXPECT_EQ(f.form1->tmr3().Interval(), 30000);
  EXPECT_EQ(f.Popup().raises, raises);

  f.ui.btn3.Click();
  raises = f.Popup().raises;
  f.Popup().CompleteDocument();
  EXPECT_TRUE(f.Popup().IsVisible());
  EXPECT_EQ(f.Popup().raises, raises);
}

TEST_F(PopupTest, PlacementUsesTheWorkAreaSizesAsCoordinates) {
  f.desktop.workArea = {0, 30, 1280, 770};  // task bar at the top
  f.Popup().CompleteDocument();
  EXPECT_EQ(Position().y, 770 - 226);
}

TEST_F(PopupTest, ARefusedNavigationIsReportedAndTheNoticeIsNotRetried) {
  f.Popup().refuseNavigation = true;
  NoticeNewTask(1);
  f.desktop.Advance(1s);
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_FALSE(f.Popup().IsVisible());
  EXPECT_EQ(f.state.NewTaskFlag, 0);
  f.desktop.Advance(5s);
  EXPECT_EQ(f.desktop.errors.size(), 1u);
}

TEST_F(PopupTest, ARefusedTimerIsReportedAndThePopupStays) {
  f.Popup().Show();
  f.desktop.refuseTimers = true;
  f.Popup().CompleteDocument();
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Not enough timers available.");
  EXPECT_TRUE(f.Popup().IsVisible());
}

TEST_F(PopupTest, TheCloseBoxLeavesTheCountdownRunningAndViewBringsThePageBack) {
  NoticeNewTask(1);
  f.desktop.Advance(1s);
  f.Popup().CompleteDocument();
  const platform::Point corner = Position();
  f.desktop.Advance(10s);
  f.Popup().CloseByUser();
  EXPECT_TRUE(f.form1->tmr3().Enabled()) << "closing by hand does not touch the auto-close timer";

  f.ui.btn3.Click();
  EXPECT_TRUE(f.Popup().IsVisible());
  EXPECT_EQ(Position().x, corner.x);
  EXPECT_EQ(Position().y, corner.y);
  EXPECT_EQ(f.Popup().navigations.size(), 1u) << "View shows the page it has, without loading";
  f.desktop.Advance(20s);
  EXPECT_FALSE(f.Popup().IsVisible()) << "the countdown begun before the close box still ends it";
  EXPECT_FALSE(f.form1->tmr3().Enabled());
}

}  // namespace
}  // namespace zelmora::testing
