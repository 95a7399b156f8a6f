// One reminder per session on Linux: the lock and the local socket in a
// private directory standing in for the user's runtime directory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <filesystem>

#include "platform/desktop_qt/qt_single_instance.h"
#include "tests/support/temporary_directory.h"

namespace zelmora::platform::qt {
namespace {

bool ProcessEventsUntil(const std::function<bool()>& condition) {
  QDeadlineTimer deadline(5000);
  while (!condition() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  return condition();
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  QString Directory() const { return QString::fromStdString(directory.Path().string()); }
  testing::TemporaryDirectory directory;
};

TEST_F(SingleInstanceTest, ASecondStartAsksTheFirstForItsWindowAndGetsNoClaim) {
  auto first = ClaimInstanceIn(Directory());
  ASSERT_NE(first, nullptr);
  int showRequests = 0;
  first->OnShowRequest([&showRequests] { ++showRequests; });

  EXPECT_EQ(ClaimInstanceIn(Directory()), nullptr);
  EXPECT_TRUE(ProcessEventsUntil([&] { return showRequests == 1; }));

  first.reset();  // the first reminder ends: the next start is the one
  EXPECT_NE(ClaimInstanceIn(Directory()), nullptr);
}

TEST_F(SingleInstanceTest, TheLockOfAReminderThatDiedDoesNotBlockTheNextStart) {
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // Claims, then dies without letting go of anything.
    auto claim = ClaimInstanceIn(Directory());
    ::_exit(claim != nullptr ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(std::filesystem::exists(directory.Path() / "zelmora.lock"));

  auto next = ClaimInstanceIn(Directory());
  ASSERT_NE(next, nullptr);
  int showRequests = 0;
  next->OnShowRequest([&showRequests] { ++showRequests; });
  EXPECT_EQ(ClaimInstanceIn(Directory()), nullptr);
  EXPECT_TRUE(ProcessEventsUntil([&] { return showRequests == 1; })) << "it listens in place of the dead one";
}

}  // namespace
}  // namespace zelmora::platform::qt
