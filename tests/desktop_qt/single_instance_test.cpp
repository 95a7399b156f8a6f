// One reminder per display on Linux: the lock and the socket in a private
// directory standing in for the user's runtime directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/event_log.h"
#include "platform/desktop_qt/qt_single_instance.h"
#include "tests/support/temporary_directory.h"

namespace zelmora::platform::qt {
namespace {

using namespace std::chrono_literals;

// A second start runs in a process of its own; here, on a thread of its own
// while this one goes on answering as the first reminder's event loop does.
std::unique_ptr<platform::InstanceClaim> SecondStart(const QString& directory, const QString& display) {
  auto claim = std::async(std::launch::async, [&] { return ClaimInstanceIn(directory, display); });
  while (claim.wait_for(0ms) != std::future_status::ready) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return claim.get();
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  QString Directory() const { return QString::fromStdString(directory.Path().string()); }
  testing::TemporaryDirectory directory;
};

// A runtime folder deeper than a socket address holds works all the same.
TEST_F(SingleInstanceTest, ASecondStartOnTheSameDisplayIsAnsweredByTheFirstWhichShowsItsWindow) {
  const std::filesystem::path deep = directory.Path() / std::string(60, 'd') / std::string(60, 'e');
  std::filesystem::create_directories(deep);
  const QString runtime = QString::fromStdString(deep.string());
  auto first = ClaimInstanceIn(runtime, "x11-1");
  ASSERT_NE(first, nullptr);
  int showRequests = 0;
  first->OnShowRequest([&showRequests] { ++showRequests; });

  EXPECT_EQ(SecondStart(runtime, "x11-1"), nullptr);
  EXPECT_EQ(showRequests, 1) << "answered before it showed the window";
  EXPECT_NE(ClaimInstanceIn(runtime, "x11-2"), nullptr) << "another display runs a reminder of its own";

  first.reset();  // the first reminder ends: the next start is the one
  EXPECT_NE(ClaimInstanceIn(runtime, "x11-1"), nullptr);
}

// The kernel takes a second start's request even from a stopped reminder.
TEST_F(SingleInstanceTest, AFirstReminderThatDoesNotAnswerIsReportedNotTakenForAnAnswer) {
  const std::string stem = directory.Path().string() + "/zelmora-x11-1";
  std::ofstream(stem + ".lock") << "4242\n";
  const int lock = ::open((stem + ".lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s.socket", stem.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);

  try {
    ClaimInstanceIn(Directory(), "x11-1");
    ADD_FAILURE() << "the silence was taken for an answer";
  } catch (const Error& failure) {
    EXPECT_NE(std::string(failure.what()).find("(process 4242) does not answer"), std::string::npos)
        << failure.what();
  }
  ::close(listener);
  ::close(lock);
}

TEST_F(SingleInstanceTest, AGuardThatCannotBeSetUpIsLoggedAndTheProgramRunsOn) {
  std::vector<std::string> log;
  ScopedLogSink sink([&log](const std::string& line) { log.push_back(line); });
  std::ofstream(directory.Path() / "runtime") << "a file where the runtime folder should be";
  auto claim = ClaimInstanceIn(Directory() + "/runtime", "x11-1");
  ASSERT_NE(claim, nullptr);
  QCoreApplication::processEvents();  // the claim speaks up once the event loop runs
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(log[0].ends_with("running without the one-reminder guard")) << log[0];
}

TEST_F(SingleInstanceTest, TheLockOfAReminderThatDiedDoesNotBlockTheNextStart) {
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // Claims, then dies without letting go of anything.
    auto claim = ClaimInstanceIn(Directory(), "x11-1");
    ::_exit(claim != nullptr ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(std::filesystem::exists(directory.Path() / "zelmora-x11-1.lock"));
  EXPECT_NE(ClaimInstanceIn(Directory(), "x11-1"), nullptr);
}

}  // namespace
}  // namespace zelmora::platform::qt
