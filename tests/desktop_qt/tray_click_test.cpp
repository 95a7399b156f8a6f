// What Qt reports for each mouse action on the icon, fed through the tray
// logic: only a left click (single or double) restores, and only once.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "app/main_form_layout.h"
#include "notify/tray_icon.h"
#include "platform/desktop_qt/qt_desktop.h"
#include "platform/desktop_qt/qt_tray_icon.h"

namespace zelmora::platform::qt {
namespace {

class QtTrayClickTest : public ::testing::Test {
 protected:
  QtTrayClickTest()
      : window(desktop.CreateMainWindow({kMainWindowCaption, kMainWindowClientSize})),
        tray(desktop, *window) {
    tray.OnClick = [this] { ++clicks; };
  }

  void Activate(std::initializer_list<QSystemTrayIcon::ActivationReason> reasons) {
    for (const auto reason : reasons) {
      for (const platform::TrayMouse code : TrayMouseCodes(reason)) tray.MouseNotification(code);
    }
  }

  QtDesktop desktop;
  std::unique_ptr<platform::MainWindow> window;
  TTrayIcon tray;
  int clicks = 0;
};

TEST_F(QtTrayClickTest, LeftClickClicksOnce) {
  Activate({QSystemTrayIcon::Trigger});
  EXPECT_EQ(clicks, 1);
}

// Qt reports a double click as a Trigger for the first click, then DoubleClick.
TEST_F(QtTrayClickTest, DoubleClickClicksOnce) {
  Activate({QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick});
  EXPECT_EQ(clicks, 1);
}

TEST_F(QtTrayClickTest, RightAndMiddleClicksDoNothing) {
  Activate({QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown});
  EXPECT_EQ(clicks, 0);
}

}  // namespace
}  // namespace zelmora::platform::qt
