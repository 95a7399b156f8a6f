#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/main_form_layout.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_main_window.h"

namespace zelmora::qt {
namespace {

using platform::ControlKind;

class QtMainWindowTest : public ::testing::Test {
 protected:
  QtMainWindowTest()
      : window_(desktop_.createMainWindow({kMainWindowCaption, "Zelmora任务提醒器", kMainWindowClientSize})) {
    for (const platform::ControlSpec& design : kMainWindowControls) controls_.push_back(&window_->addControl(design));
  }

  QWidget& form() { return static_cast<QtMainWindow&>(*window_).widget(); }
  QWidget& widget(const char* name) { return *form().findChild<QWidget*>(QString::fromLatin1(name)); }
  platform::Control& control(std::string_view name) {
    for (std::size_t i = 0; i < kMainWindowControls.size(); ++i) {
      if (kMainWindowControls[i].name == name) return *controls_[i];
    }
    throw std::out_of_range(std::string(name));
  }

  QtDesktop desktop_;
  std::unique_ptr<platform::MainWindow> window_;
  std::vector<platform::Control*> controls_;
};

TEST_F(QtMainWindowTest, FixedClientSizeWithMinimiseButNoMaximiseButton) {
  EXPECT_EQ(form().minimumSize(), QSize(378, 265));
  EXPECT_EQ(form().maximumSize(), QSize(378, 265));
  const Qt::WindowFlags flags = form().windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(form().windowTitle(), u"Zelmora任务提醒器1.62");
  EXPECT_FALSE(form().windowIcon().isNull());
}

TEST_F(QtMainWindowTest, EveryControlSitsAtItsFormCoordinates) {
  for (const platform::ControlSpec& design : kMainWindowControls) {
    const QWidget& w = widget(std::string(design.name).c_str());
    const std::string name(design.name);
    EXPECT_EQ(w.pos(), QPoint(design.bounds.left, design.bounds.top)) << name;
    if (design.kind == ControlKind::Label || design.kind == ControlKind::Link) {
      EXPECT_EQ(w.size(), w.sizeHint()) << name << " grows with its text";
    } else {
      EXPECT_EQ(w.size(), QSize(design.bounds.width, design.bounds.height)) << name;
    }
  }
}

TEST_F(QtMainWindowTest, TextsRoundTripAsUtf8AndAreNeverMarkup) {
  EXPECT_EQ(control("grp1").text(), "公告信息");
  EXPECT_EQ(control("edt1").text(), "ZM-");
  control("lbl1").setText("<b>公告</b> & <img src=x>");
  EXPECT_EQ(control("lbl1").text(), "<b>公告</b> & <img src=x>");
  EXPECT_EQ(static_cast<QLabel&>(widget("lbl1")).textFormat(), Qt::PlainText);
  EXPECT_EQ(static_cast<QLabel&>(widget("lbl2")).textFormat(), Qt::PlainText);
}

TEST_F(QtMainWindowTest, LabelGrowsWithItsTextWhileTheWrappedOneKeepsItsBox) {
  platform::Control& lbl2 = control("lbl2");
  const int before = widget("lbl2").width();
  lbl2.setText("12:34:56 PM and a much longer text");
  EXPECT_GT(widget("lbl2").width(), before);
  EXPECT_EQ(widget("lbl2").pos(), QPoint(23, 215));

  control("lbl1").setText(std::string(400, 'x') + " " + std::string(40, 'y'));
  EXPECT_EQ(widget("lbl1").geometry(), QRect(24, 88, 233, 81));
  EXPECT_TRUE(static_cast<QLabel&>(widget("lbl1")).wordWrap());
}

TEST_F(QtMainWindowTest, ButtonClickAndUserToggleActivateButProgramChangesDoNot) {
  int button = 0;
  int box = 0;
  control("btn1").onActivated([&] { ++button; });
  control("chktype1").onActivated([&] { ++box; });

  QTest::mouseClick(&widget("btn1"), Qt::LeftButton);
  EXPECT_EQ(button, 1);

  control("chktype1").setChecked(false);
  EXPECT_EQ(box, 0);
  EXPECT_FALSE(control("chktype1").checked());
  QTest::mouseClick(&widget("chktype1"), Qt::LeftButton);
  EXPECT_EQ(box, 1);
  EXPECT_TRUE(control("chktype1").checked());

  control("btn1").setEnabled(false);
  EXPECT_FALSE(control("btn1").enabled());
  QTest::mouseClick(&widget("btn1"), Qt::LeftButton);
  EXPECT_EQ(button, 1);
}

TEST_F(QtMainWindowTest, LinkReportsAClickReleasedOverIt) {
  int clicks = 0;
  control("lbl4").onActivated([&] { ++clicks; });
  QWidget& link = widget("lbl4");
  EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);

  QTest::mouseClick(&link, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  QTest::mouseClick(&link, Qt::RightButton);
  EXPECT_EQ(clicks, 1);
  // Pressed on the link, released elsewhere: no click.
  QTest::mousePress(&link, Qt::LeftButton);
  QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(link.width() + 20, link.height() + 20));
  EXPECT_EQ(clicks, 1);
}

TEST_F(QtMainWindowTest, TabOrderFollowsTheGivenList) {
  std::vector<platform::Control*> order;
  for (std::string_view name : kMainWindowTabOrder) order.push_back(&control(name));
  window_->setTabOrder(order);
  for (std::size_t i = 1; i < kMainWindowTabOrder.size(); ++i) {
    QWidget* next = widget(std::string(kMainWindowTabOrder[i - 1]).c_str()).nextInFocusChain();
    while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->objectName().toStdString(), kMainWindowTabOrder[i]);
  }
}

TEST_F(QtMainWindowTest, MinimisingReportsOnceAndRestoreBringsItBackNormal) {
  int minimized = 0;
  window_->onMinimized([&] { ++minimized; });
  window_->show();
  ASSERT_TRUE(window_->isVisible());
  form().setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_EQ(minimized, 1);
  EXPECT_TRUE(window_->isMinimized());

  window_->hide();
  window_->restore();
  EXPECT_TRUE(window_->isVisible());
  EXPECT_FALSE(window_->isMinimized());
  QCoreApplication::processEvents();
  EXPECT_EQ(minimized, 1);
}

TEST_F(QtMainWindowTest, ClosingTheWindowEndsTheEventLoop) {
  window_->show();
  QMetaObject::invokeMethod(&form(), [this] { form().close(); }, Qt::QueuedConnection);
  QTimer stillRunning;  // the loop went on after the close
  stillRunning.setSingleShot(true);
  QObject::connect(&stillRunning, &QTimer::timeout, [] { QCoreApplication::exit(7); });
  stillRunning.start(5000);
  EXPECT_EQ(desktop_.run(), 0);
}

}  // namespace
}  // namespace zelmora::qt
