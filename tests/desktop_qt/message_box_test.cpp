#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "platform/desktop_qt/qt_desktop.h"

namespace zelmora::platform::qt {
namespace {

TEST(QtDesktopShowError, StopIconOkButtonGivenTitleAndTheTextAsPlainText) {
  QtDesktop desktop;
  bool seen = false;
  QTimer inspect;
  inspect.setSingleShot(true);
  QObject::connect(&inspect, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->windowTitle(), u"Zelmora任务提醒器");
    EXPECT_EQ(box->text(), u"写入失败 <b>1</b>.");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->accept();
  });
  inspect.start(0);
  desktop.SetApplicationTitle("Zelmora任务提醒器");
  desktop.ShowError("写入失败 <b>1</b>.");
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace zelmora::platform::qt
