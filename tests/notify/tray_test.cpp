#include <gtest/gtest.h>

#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using platform::TrayMouse;

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.desktop.mainWindow->Show();
    Window().MinimizeByUser();
  }
  FakeMainWindow& Window() { return *f.desktop.mainWindow; }
  FakeTray& Tray() { return *f.desktop.tray; }
  FormFixture f;
};

TEST_F(TrayTest, MinimisingLeavesOnlyTheIcon) {
  EXPECT_FALSE(Window().IsVisible());
  EXPECT_TRUE(Tray().present);
}

TEST_F(TrayTest, ALeftClickRestoresTheWindowInFront) {
  Tray().Mouse(TrayMouse::LeftDown);
  EXPECT_FALSE(Window().IsVisible()) << "the click fires at the release";
  Tray().Mouse(TrayMouse::LeftUp);
  EXPECT_TRUE(Window().IsVisible());
  EXPECT_FALSE(Window().minimized);
  EXPECT_EQ(Window().frontRequests, 1);
  EXPECT_TRUE(Tray().present);
}

TEST_F(TrayTest, ADoubleClickRestoresOnce) {
  for (TrayMouse code :
       {TrayMouse::LeftDown, TrayMouse::LeftUp, TrayMouse::LeftDoubleClick, TrayMouse::LeftUp}) {
    Tray().Mouse(code);
  }
  EXPECT_EQ(Window().frontRequests, 1);
}

TEST_F(TrayTest, AReleaseWithoutAPressDoesNothing) {
  Tray().Mouse(TrayMouse::LeftUp);
  EXPECT_FALSE(Window().IsVisible());
}

TEST_F(TrayTest, RightMiddleAndMovesDoNothing) {
  for (TrayMouse code : {TrayMouse::RightDown, TrayMouse::RightUp, TrayMouse::MiddleDown, TrayMouse::MiddleUp,
                         TrayMouse::Move, TrayMouse::RightDoubleClick, TrayMouse::MiddleDoubleClick}) {
    Tray().Mouse(code);
  }
  EXPECT_FALSE(Window().IsVisible());
  EXPECT_EQ(Window().frontRequests, 0);
}

TEST_F(TrayTest, NothingHappensWhileDisabled) {
  f.form1->tray1().Enabled = false;
  Tray().Mouse(TrayMouse::LeftDown);
  Tray().Mouse(TrayMouse::LeftUp);
  EXPECT_FALSE(Window().IsVisible());
}

TEST_F(TrayTest, TheIconComesBackWhenTheTrayIsRecreated) {
  Tray().RecreateTray();
  EXPECT_TRUE(Tray().present);
  EXPECT_FALSE(Window().IsVisible()) << "the state stays as it was";
}

TEST_F(TrayTest, AWindowInATrayThatGoesAwayWaitsMinimisedOnTheTaskBar) {
  f.desktop.trayHostRunning = false;
  Tray().LoseTray();
  EXPECT_TRUE(Window().IsVisible());
  EXPECT_TRUE(Window().minimized);

  Window().Restore();
  f.desktop.trayHostRunning = true;
  Tray().RecreateTray();
  f.desktop.trayHostRunning = false;
  Tray().LoseTray();
  EXPECT_FALSE(Window().minimized) << "a window in sight stays as it is";
}

TEST_F(TrayTest, WithADoubleClickHandlerTheClickWaitsForTheDeferral) {
  int doubleClicks = 0;
  f.form1->tray1().OnDblClick = [&doubleClicks] { ++doubleClicks; };
  Tray().Mouse(TrayMouse::LeftDown);
  Tray().Mouse(TrayMouse::LeftUp);
  EXPECT_FALSE(Window().IsVisible());
  f.desktop.Advance(std::chrono::milliseconds(500));
  EXPECT_TRUE(Window().IsVisible());

  Window().MinimizeByUser();
  for (TrayMouse code :
       {TrayMouse::LeftDown, TrayMouse::LeftUp, TrayMouse::LeftDoubleClick, TrayMouse::LeftUp}) {
    Tray().Mouse(code);
  }
  f.desktop.Advance(std::chrono::milliseconds(500));
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_FALSE(Window().IsVisible()) << "a double click is not also a click";
}

TEST(TrayLifetime, TheIconLeavesWithTheMainWindow) {
  FormFixture f;
  EXPECT_TRUE(f.desktop.trayIconShown);
  f.CloseProgram();
  EXPECT_FALSE(f.desktop.trayIconShown) << "the icon must be removed, not left to the shell";
}

}  // namespace
}  // namespace zelmora::testing
