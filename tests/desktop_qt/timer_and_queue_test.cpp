#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <thread>
#include <vector>

#include "platform/desktop_qt/qt_desktop.h"

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
  // restart (coarse timers may fire up to 5 % early).
  EXPECT_GE(firstTickAt, restartedAt + 300);
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

}  // namespace
}  // namespace zelmora::platform::qt
