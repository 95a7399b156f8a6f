// The new-task sound's library is loaded on first use; where it is installed,
// it loads and plays, or says once why the desktop has no sound.
#include "platform/desktop_qt/event_sound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/event_log.h"

namespace zelmora::platform::qt {
namespace {

TEST(EventSound, TheLibraryIsLoadedOnFirstUseAndAFailureIsLoggedOnce) {
  std::vector<std::string> log;
  ScopedLogSink sink([&log](const std::string& line) { log.push_back(line); });
  EventSound sound;
  sound.Play("message-new-instant", "test");
  sound.Play("message-new-instant", "test");
  ASSERT_LE(log.size(), 1u);
  // No sound server here is fine; a library that cannot be used is not.
  if (!log.empty()) {
    EXPECT_EQ(log[0].find("libcanberra"), std::string::npos) << log[0];
  }
}

}  // namespace
}  // namespace zelmora::platform::qt
