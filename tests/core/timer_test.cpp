#include "core/timer.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "tests/support/fake_desktop.h"

namespace zelmora::testing {
namespace {

using namespace std::chrono_literals;

TEST(Timers, SameIntervalOrEnablingAnEnabledTimerKeepsTheCountdown) {
  FakeDesktop desktop;
  int ticks = 0;
  Timer timer(desktop, 1000, true, [&ticks] { ++ticks; });
  desktop.Advance(600ms);
  timer.SetInterval(1000);
  timer.SetEnabled(true);
  desktop.Advance(400ms);
  EXPECT_EQ(ticks, 1);

  desktop.Advance(600ms);
  timer.SetInterval(2000);  // a new interval starts afresh
  desktop.Advance(1999ms);
  EXPECT_EQ(ticks, 1);
  desktop.Advance(1ms);
  EXPECT_EQ(ticks, 2);

  timer.SetEnabled(false);
  desktop.Advance(10s);
  EXPECT_EQ(ticks, 2);
}

TEST(Timers, AFailingHandlerIsReportedAndTheTimerGoesOn) {
  FakeDesktop desktop;
  int ticks = 0;
  Timer timer(desktop, 1000, true, [&ticks] {
    ++ticks;
    throw Error("boom");
  });
  desktop.Advance(3s);
  EXPECT_EQ(ticks, 3);
  ASSERT_EQ(desktop.errors.size(), 3u);
  EXPECT_EQ(desktop.errors[0].text, "boom.");
}

}  // namespace
}  // namespace zelmora::testing
