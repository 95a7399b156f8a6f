#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/main_form_layout.h"
#include "platform/desktop_qt/qt_desktop.h"
#include "platform/desktop_qt/qt_main_window.h"

namespace zelmora::platform::qt {
namespace {

// Runs the event loop until `done` or the deadline; returns whether it was done.
template <typename Predicate>
bool ProcessUntil(Predicate done, int deadlineMs = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < deadlineMs)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  return done();
}

void ProcessFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

TEST(QtTimerBackend, RepeatsUntilStopped) {
  QtDesktop desktop;
  int ticks = 0;
  auto timer = desktop.CreateTimer([&] { ++ticks; });
  timer->Start(5);
  ASSERT_TRUE(ProcessUntil([&] { return ticks >= 3; }));
  timer->Stop();
  const int stoppedAt = ticks;
  ProcessFor(60);
  EXPECT_EQ(ticks, stoppedAt);
}

TEST(QtTimerBackend, StartWhileRunningBeginsAFreshCountdown) {
  QtDesktop desktop;
  QElapsedTimer clock;
  qint64 firstTickAt = -1;
  auto timer = desktop.CreateTimer([&] {
    if (firstTickAt < 0) firstTickAt = clock.elapsed();
  });
  clock.start();
  timer->Start(400);
  ProcessFor(200);
  const qint64 restartedAt = clock.elapsed();
  if (restartedAt >= 240 || firstTickAt >= 0) GTEST_SKIP() << "the machine is too busy to time this";
  timer->Start(400);
  ASSERT_TRUE(ProcessUntil([&] { return firstTickAt >= 0; }));
  // A countdown left running would end near 400 ms; a fresh one 400 ms after the
  // restart, never earlier: the timers are precise.
  EXPECT_GE(firstTickAt, restartedAt + 400);
}

TEST(QtDesktopPostToUi, TasksFromAnyThreadRunOnTheUiThreadInPostingOrder) {
  QtDesktop desktop;
  const std::thread::id uiThread = std::this_thread::get_id();
  constexpr int kTasks = 500;
  std::vector<int> order;  // touched on the UI thread only
  bool allOnUiThread = true;
  std::thread worker([&] {
    for (int i = 0; i < kTasks; ++i) {
      desktop.PostToUi([&, i] {
        allOnUiThread = allOnUiThread && std::this_thread::get_id() == uiThread;
        order.push_back(i);
      });
    }
  });
  worker.join();
  ASSERT_TRUE(ProcessUntil([&] { return order.size() == kTasks; }));
  EXPECT_TRUE(allOnUiThread);
  for (int i = 0; i < kTasks; ++i) ASSERT_EQ(order[i], i);
}

// Qt calls the logic from its event loop, where an exception leaving a slot is
// undefined behaviour: each failure ends up in the default error report and the
// loop goes on.
TEST(QtDesktopLastResort, AFailureEscapingAPostedTaskATickOrAControlIsReportedAndTheLoopGoesOn) {
  QtDesktop desktop;
  std::vector<std::string> reports;
  QTimer answerBoxes;  // closes every error box, as a user would
  QObject::connect(&answerBoxes, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      reports.push_back(box->text().toStdString());
      box->accept();
    }
  });
  answerBoxes.start(5);

  desktop.PostToUi([] { throw std::runtime_error("posted task failed"); });
  ASSERT_TRUE(ProcessUntil([&] { return reports.size() == 1; }));
  EXPECT_EQ(reports.back(), "posted task failed.");

  std::unique_ptr<platform::TimerBackend> timer;
  timer = desktop.CreateTimer([&] {
    timer->Stop();
    throw std::runtime_error("tick failed");
  });
  timer->Start(1);
  ASSERT_TRUE(ProcessUntil([&] { return reports.size() == 2; }));
  EXPECT_EQ(reports.back(), "tick failed.");

  auto window = desktop.CreateMainWindow({kMainWindowCaption, kMainWindowClientSize});
  platform::Control& button =
      window->AddControl({"btn1", platform::ControlKind::Button, {8, 8, 75, 25}, "Go"});
  button.OnActivated([] { throw std::runtime_error("click failed"); });
  auto* widget = static_cast<QtMainWindow&>(*window).Widget().findChild<QWidget*>("btn1");
  ASSERT_NE(widget, nullptr);
  QMetaObject::invokeMethod(
      widget, [widget] { QTest::mouseClick(widget, Qt::LeftButton); }, Qt::QueuedConnection);
  ASSERT_TRUE(ProcessUntil([&] { return reports.size() == 3; }));
  EXPECT_EQ(reports.back(), "click failed.");

  bool ranAfter = false;
  desktop.PostToUi([&] { ranAfter = true; });
  EXPECT_TRUE(ProcessUntil([&] { return ranAfter; }));
}

}  // namespace
}  // namespace zelmora::platform::qt
