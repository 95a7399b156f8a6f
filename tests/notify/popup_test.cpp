#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using namespace std::chrono_literals;

class PopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.desktop.workArea_ = {0, 0, 1280, 770};
    f.popup().outerSize_ = {306, 226};
    // tmr3 fires once a second after start-up and hides the popup; let it pass
    // (the watcher ticks at 1 s, 2 s, ...; it is now at 1.5 s).
    f.desktop.advance(1500ms);
  }
  void NoticeNewTask(int32_t prevTaskId) {
    f.state.PrevTaskId = prevTaskId;
    f.state.NewTaskFlag = 1;
  }
  platform::Point Position() { return f.popup().position(); }
  FormFixture f;
};

TEST_F(PopupTest, ANoticeLoadsTheTaskPageBelowTheWorkAreaThenJumpsIntoTheCornerWhenLoaded) {
  f.control("edt1").type("ZM-张三");
  f.control("chktype2").click();
  NoticeNewTask(7);
  f.desktop.advance(1s);
  EXPECT_EQ(f.state.NewTaskFlag, 0);
  ASSERT_EQ(f.popup().navigations.size(), 1u);
  EXPECT_EQ(f.popup().navigations[0],
            platform::Utf8ToUtf16("http://tasks.example:8080/tx.php?action=show&userid=ZM-张三&taskid=7"
                                  "&type1=1&ip1=1&ip2=1"));
  EXPECT_TRUE(f.popup().isVisible());
  EXPECT_EQ(Position().y, 770 + 226);
  EXPECT_EQ(Position().x, 1280 - 306);

  f.popup().completeDocument();
  EXPECT_EQ(Position().y, 770 - 226);
  EXPECT_EQ(Position().x, 1280 - 306);
}

TEST_F(PopupTest, CloseTimeCountsFromThePageLoadNotFromTheNotice) {
  NoticeNewTask(1);
  f.desktop.advance(1s);
  f.desktop.advance(20s);  // the page is slow
  f.popup().completeDocument();
  f.desktop.advance(29999ms);
  EXPECT_TRUE(f.popup().isVisible());
  f.desktop.advance(1ms);
  EXPECT_FALSE(f.popup().isVisible());
  EXPECT_FALSE(f.form1->tmr3().enabled());
}

TEST_F(PopupTest, CloseTimeBoxRules) {
  struct Case {
    const char* typed;
    const char* shownAfter;
    int32_t closeTimeMs;
  };
  for (const Case& c : {Case{"0", "30", 30000}, Case{"-5", "30", 30000}, Case{"abc", "30", 30000},
                        Case{"", "30", 30000}, Case{"1", "1", 1000}, Case{" 5", " 5", 5000},
                        Case{"5 ", "30", 30000}}) {
    f.control("edt3").type(c.typed);
    f.popup().completeDocument();
    EXPECT_EQ(f.control("edt3").text(), c.shownAfter) << '"' << c.typed << '"';
    EXPECT_EQ(f.form2->CloseTime(), c.closeTimeMs) << '"' << c.typed << '"';
    EXPECT_EQ(f.form1->tmr3().interval(), c.closeTimeMs);
  }
}

TEST_F(PopupTest, TwoNoticesBeforeOneTickOpenOnePopupForTheNewestTask) {
  NoticeNewTask(3);
  NoticeNewTask(9);
  f.desktop.advance(1s);
  f.desktop.advance(5s);
  ASSERT_EQ(f.popup().navigations.size(), 1u);
  EXPECT_NE(f.popup().navigations[0].find(u"taskid=9"), std::u16string::npos);
}

TEST_F(PopupTest, ASecondCompletionKeepsTheCountdownUnlessTheCloseTimeChanged) {
  f.popup().completeDocument();
  f.popup().show();
  f.desktop.advance(20s);
  f.popup().completeDocument();  // another frame of the same page
  f.desktop.advance(10s);
  EXPECT_FALSE(f.popup().isVisible()) << "the first countdown must run on";

  f.popup().show();
  f.popup().completeDocument();
  f.desktop.advance(20s);
  f.control("edt3").type("25");
  f.popup().completeDocument();  // changed close time: a fresh countdown
  f.desktop.advance(24s);
  EXPECT_TRUE(f.popup().isVisible());
  f.desktop.advance(1s);
  EXPECT_FALSE(f.popup().isVisible());
}

TEST_F(PopupTest, ViewBeforeAnyNoticeShowsTheEmptyPopupWhereItWasCreatedAndNeverArmsTheTimer) {
  f.control("btn3").click();
  EXPECT_TRUE(f.popup().isVisible());
  EXPECT_EQ(Position().x, 642);
  EXPECT_EQ(Position().y, 361);
  EXPECT_TRUE(f.popup().navigations.empty());
  EXPECT_FALSE(f.form1->tmr3().enabled());
  f.desktop.advance(10min);
  EXPECT_TRUE(f.popup().isVisible());
}

TEST_F(PopupTest, ViewAfterAutoCloseShowsTheLastPageInTheCorner) {
  NoticeNewTask(1);
  f.desktop.advance(1s);
  f.popup().completeDocument();
  f.desktop.advance(30s);
  ASSERT_FALSE(f.popup().isVisible());
  f.control("btn3").click();
  EXPECT_TRUE(f.popup().isVisible());
  EXPECT_EQ(Position().y, 770 - 226);
  EXPECT_EQ(f.popup().navigations.size(), 1u);
}

TEST_F(PopupTest, PlacementUsesTheWorkAreaSizesAsCoordinates) {
  f.desktop.workArea_ = {0, 30, 1280, 770};  // task bar at the top
  f.popup().completeDocument();
  EXPECT_EQ(Position().y, 770 - 226);
}

TEST_F(PopupTest, ARefusedNavigationIsReportedAndTheNoticeIsNotRetried) {
  f.popup().refuseNavigation = true;
  NoticeNewTask(1);
  f.desktop.advance(1s);
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_FALSE(f.popup().isVisible());
  EXPECT_EQ(f.state.NewTaskFlag, 0);
  f.desktop.advance(5s);
  EXPECT_EQ(f.desktop.errors.size(), 1u);
}

TEST_F(PopupTest, ARefusedTimerIsReportedAndThePopupStays) {
  f.popup().show();
  f.desktop.refuseTimers = true;
  f.popup().completeDocument();
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "Not enough timers available.");
  EXPECT_TRUE(f.popup().isVisible());
}

TEST_F(PopupTest, ClosingThePopupOnlyHidesIt) {
  f.control("btn3").click();
  f.popup().closeByUser();
  EXPECT_FALSE(f.popup().isVisible());
  EXPECT_TRUE(f.desktop.mainWindow->controls.size() == 21u);
}

}  // namespace
}  // namespace zelmora::testing
