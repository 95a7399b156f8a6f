#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/main_form_layout.h"
#include "platform/desktop_qt/qt_desktop.h"
#include "platform/desktop_qt/qt_main_window.h"

namespace zelmora::platform::qt {
namespace {

using platform::ControlKind;

class QtMainWindowTest : public ::testing::Test {
 protected:
  QtMainWindowTest() : window(desktop.CreateMainWindow({kMainWindowCaption, kMainWindowClientSize})) {
    for (std::size_t row = 0; row < controls.size(); ++row)
      controls[row] = &window->AddControl(kMainWindowControls[row]);
  }

  QWidget& Form() { return static_cast<QtMainWindow&>(*window).Widget(); }
  QWidget& Widget(const char* name) { return *Form().findChild<QWidget*>(QString::fromLatin1(name)); }
  MainFormControls Ui() const { return PickControls<platform::Control>(controls); }
  std::vector<platform::Control*> TabOrder() const {
    std::vector<platform::Control*> order;
    for (std::size_t row : kMainWindowTabOrder) order.push_back(controls[row]);
    return order;
  }

  QtDesktop desktop;
  std::unique_ptr<platform::MainWindow> window;
  std::array<platform::Control*, kMainWindowControls.size()> controls{};
};

TEST_F(QtMainWindowTest, FixedClientSizeWithMinimiseButNoMaximiseButton) {
  EXPECT_EQ(Form().minimumSize(), QSize(378, 265));
  EXPECT_EQ(Form().maximumSize(), QSize(378, 265));
  const Qt::WindowFlags flags = Form().windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(Form().windowTitle(), u"Zelmora任务提醒器1.62");
  EXPECT_FALSE(Form().windowIcon().isNull());
}

TEST_F(QtMainWindowTest, EveryControlSitsAtItsFormCoordinates) {
  for (const platform::ControlSpec& design : kMainWindowControls) {
    const QWidget& w = Widget(std::string(design.name).c_str());
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
  EXPECT_EQ(Ui().lbl4.Text(), "Zelmora投票平台");
  EXPECT_EQ(Ui().edt1.Text(), "ZM-");
  Ui().lbl1.SetText("<b>公告</b> & <img src=x>");
  EXPECT_EQ(Ui().lbl1.Text(), "<b>公告</b> & <img src=x>");
  EXPECT_EQ(static_cast<QLabel&>(Widget("lbl1")).textFormat(), Qt::PlainText);
  EXPECT_EQ(static_cast<QLabel&>(Widget("lbl2")).textFormat(), Qt::PlainText);
}

TEST_F(QtMainWindowTest, LabelGrowsWithItsTextWhileTheWrappedOneKeepsItsBox) {
  platform::Control& lbl2 = Ui().lbl2;
  const int before = Widget("lbl2").width();
  lbl2.SetText("12:34:56 PM and a much longer text");
  EXPECT_GT(Widget("lbl2").width(), before);
  EXPECT_EQ(Widget("lbl2").pos(), QPoint(23, 215));

  Ui().lbl1.SetText(std::string(400, 'x') + " " + std::string(40, 'y'));
  EXPECT_EQ(Widget("lbl1").geometry(), QRect(24, 88, 233, 81));
  EXPECT_TRUE(static_cast<QLabel&>(Widget("lbl1")).wordWrap());
}

TEST_F(QtMainWindowTest, ButtonClickAndUserToggleActivateButProgramChangesDoNot) {
  int button = 0;
  int box = 0;
  Ui().btn1.OnActivated([&] { ++button; });
  Ui().chktype1.OnActivated([&] { ++box; });

  QTest::mouseClick(&Widget("btn1"), Qt::LeftButton);
  EXPECT_EQ(button, 1);

  Ui().chktype1.SetChecked(false);
  EXPECT_EQ(box, 0);
  EXPECT_FALSE(Ui().chktype1.Checked());
  QTest::mouseClick(&Widget("chktype1"), Qt::LeftButton);
  EXPECT_EQ(box, 1);
  EXPECT_TRUE(Ui().chktype1.Checked());

  Ui().btn1.SetEnabled(false);
  EXPECT_FALSE(Ui().btn1.Enabled());
  QTest::mouseClick(&Widget("btn1"), Qt::LeftButton);
  EXPECT_EQ(button, 1);
}

TEST_F(QtMainWindowTest, LinkReportsAClickReleasedOverIt) {
  int clicks = 0;
  Ui().lbl4.OnActivated([&] { ++clicks; });
  QWidget& link = Widget("lbl4");
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
  window->SetTabOrder(TabOrder());
  for (std::size_t i = 1; i < kMainWindowTabOrder.size(); ++i) {
    const std::string previous(kMainWindowControls[kMainWindowTabOrder[i - 1]].name);
    QWidget* next = Widget(previous.c_str()).nextInFocusChain();
    while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->objectName().toStdString(), kMainWindowControls[kMainWindowTabOrder[i]].name);
  }
}

TEST_F(QtMainWindowTest, ShownCentredOnTheDesktopWithTheFocusOnTheFirstControlOfTheTabOrder) {
  window->SetTabOrder(TabOrder());
  window->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
  // Twice the centres, so that odd sizes compare exactly.
  const QRect outer = Form().frameGeometry();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE(std::abs(2 * outer.left() + outer.width() - 2 * screen.left() - screen.width()), 1);
  EXPECT_LE(std::abs(2 * outer.top() + outer.height() - 2 * screen.top() - screen.height()), 1);
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "chktype1");
}

TEST_F(QtMainWindowTest, MinimisingReportsOnceAndRestoreBringsItBackNormal) {
  int minimized = 0;
  window->OnMinimized([&] { ++minimized; });
  window->Show();
  ASSERT_TRUE(window->IsVisible());
  Form().setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_EQ(minimized, 1);
  EXPECT_TRUE(Form().isMinimized());

  window->Hide();
  window->Restore();
  EXPECT_TRUE(window->IsVisible());
  EXPECT_FALSE(Form().isMinimized());
  QCoreApplication::processEvents();
  EXPECT_EQ(minimized, 1);
}

// Also while another window in sight refuses to close, as the popup does (it
// only hides when asked).
TEST_F(QtMainWindowTest, ClosingTheWindowEndsTheEventLoop) {
  class RefusesToClose final : public QWidget {
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
  } popup;
  popup.show();
  window->Show();
  QMetaObject::invokeMethod(
      &Form(), [this] { Form().close(); }, Qt::QueuedConnection);
  QTimer stillRunning;  // the loop went on after the close
  stillRunning.setSingleShot(true);
  QObject::connect(&stillRunning, &QTimer::timeout, [] { QCoreApplication::exit(7); });
  stillRunning.start(5000);
  EXPECT_EQ(desktop.Run(), 0);
}

}  // namespace
}  // namespace zelmora::platform::qt
