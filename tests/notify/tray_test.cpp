#include <gtest/gtest.h>

#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using platform::TrayMouse;

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.desktop.mainWindow->show();
    window().minimizeByUser();
  }
  FakeMainWindow& window() { return *f.desktop.mainWindow; }
  FakeTray& tray() { return *f.desktop.tray; }
  FormFixture f;
};

TEST_F(TrayTest, MinimisingLeavesOnlyTheIcon) {
  EXPECT_FALSE(window().isVisible());
  EXPECT_TRUE(tray().present);
}

TEST_F(TrayTest, ALeftClickRestoresTheWindowInFront) {
  tray().mouse(TrayMouse::LeftDown);
  EXPECT_FALSE(window().isVisible()) << "the click fires at the release";
  tray().mouse(TrayMouse::LeftUp);
  EXPECT_TRUE(window().isVisible());
  EXPECT_FALSE(window().isMinimized());
  EXPECT_EQ(window().frontRequests, 1);
  EXPECT_TRUE(tray().present);
}

TEST_F(TrayTest, ADoubleClickRestoresOnce) {
  for (TrayMouse code : {TrayMouse::LeftDown, TrayMouse::LeftUp, TrayMouse::LeftDoubleClick, TrayMouse::LeftUp}) {
    tray().mouse(code);
  }
  EXPECT_EQ(window().frontRequests, 1);
}

TEST_F(TrayTest, AReleaseWithoutAPressDoesNothing) {
  tray().mouse(TrayMouse::LeftUp);
  EXPECT_FALSE(window().isVisible());
}

TEST_F(TrayTest, RightMiddleAndMovesDoNothing) {
  for (TrayMouse code : {TrayMouse::RightDown, TrayMouse::RightUp, TrayMouse::MiddleDown, TrayMouse::MiddleUp,
                         TrayMouse::Move, TrayMouse::RightDoubleClick, TrayMouse::MiddleDoubleClick}) {
    tray().mouse(code);
  }
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(window().frontRequests, 0);
}

TEST_F(TrayTest, NothingHappensWhileDisabled) {
  f.form1->tray1().Enabled = false;
  tray().mouse(TrayMouse::LeftDown);
  tray().mouse(TrayMouse::LeftUp);
  EXPECT_FALSE(window().isVisible());
}

TEST_F(TrayTest, TheIconComesBackWhenTheTrayIsRecreated) {
  tray().recreateTray();
  EXPECT_TRUE(tray().present);
  EXPECT_FALSE(window().isVisible()) << "the state stays as it was";
}

TEST_F(TrayTest, WithADoubleClickHandlerTheClickWaitsForTheDeferral) {
  int doubleClicks = 0;
  f.form1->tray1().OnDblClick = [&doubleClicks] { ++doubleClicks; };
  tray().mouse(TrayMouse::LeftDown);
  tray().mouse(TrayMouse::LeftUp);
  EXPECT_FALSE(window().isVisible());
  f.desktop.advance(std::chrono::milliseconds(500));
  EXPECT_TRUE(window().isVisible());

  window().minimizeByUser();
  for (TrayMouse code : {TrayMouse::LeftDown, TrayMouse::LeftUp, TrayMouse::LeftDoubleClick, TrayMouse::LeftUp}) {
    tray().mouse(code);
  }
  f.desktop.advance(std::chrono::milliseconds(500));
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_FALSE(window().isVisible()) << "a double click is not also a click";
}

TEST(TrayLifetime, TheIconLeavesWithTheMainWindow) {
  auto f = std::make_unique<FormFixture>();
  FakeDesktop& desktop = f->desktop;
  EXPECT_TRUE(desktop.tray->present);
  bool presentAtEnd = true;
  // The fake tray dies with the window; look just before.
  f->form1->tray1().RemoveIcon();
  presentAtEnd = desktop.tray->present;
  EXPECT_FALSE(presentAtEnd);
}

}  // namespace
}  // namespace zelmora::testing
