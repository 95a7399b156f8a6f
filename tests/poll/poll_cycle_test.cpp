#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <future>
#include <system_error>
#include <thread>

#include "core/error.h"
#include "core/error_report.h"
#include "tests/support/form_fixture.h"

namespace zelmora::testing {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

class PollCycleTest : public ::testing::Test {
 protected:
  // Types an interval, presses Start and lets the first poll run.
  void StartWithInterval(const std::string& text) {
    f.ui.edt2.Type(text);
    f.ui.btn1.Click();
    f.desktop.Advance(100ms);
    f.FinishPoll();
  }
  // The worker thread starts on its own time; wait until it is inside the exchange.
  void WaitForRuns(int runs) {
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (f.exchange->runs < runs && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
    ASSERT_EQ(f.exchange->runs, runs);
  }
  // Start with the first poll held, then Stop and Start while it runs: the new
  // first tick finds it running, and the cycle owes a poll.
  void RestartDuringTheFirstPoll() {
    f.exchange->Hold();
    f.ui.btn1.Click();
    f.desktop.Advance(100ms);
    WaitForRuns(1);
    f.ui.btn2.Click();
    f.ui.btn1.Click();
    f.desktop.Advance(100ms);
  }
  FormFixture f;
};

TEST_F(PollCycleTest, IntervalBoxRules) {
  struct Case {
    const char* typed;
    const char* shownAfter;
    int32_t intervalMs;
  };
  for (const Case& c :
       {Case{"9", "60", 60000}, Case{"10", "10", 10000}, Case{"$10", "$10", 16000}, Case{" 30", " 30", 30000},
        Case{"30 ", "60", 60000}, Case{"-5", "60", 60000}, Case{"abc", "60", 60000}, Case{"", "60", 60000},
        Case{"2147484", "60", 60000},     // the product wraps negative
        Case{"4294968", "60", 60000}}) {  // wraps round to 704 ms, still too short
    FormFixture fresh;
    fresh.ui.edt2.Type(c.typed);
    fresh.ui.btn1.Click();
    fresh.desktop.Advance(100ms);
    fresh.FinishPoll();
    EXPECT_EQ(fresh.ui.edt2.Text(), c.shownAfter) << "typed \"" << c.typed << '"';
    EXPECT_EQ(fresh.form1->Poll().PollInterval(), c.intervalMs) << "typed \"" << c.typed << '"';
  }
}

TEST_F(PollCycleTest, FirstPollComes100msAfterStartThenEveryIntervalAfterTheEnd) {
  f.ui.edt2.Type("10");
  f.ui.btn1.Click();
  EXPECT_FALSE(f.ui.btn1.Enabled());

  f.desktop.Advance(99ms);
  EXPECT_EQ(f.exchange->runs, 0);
  f.desktop.Advance(1ms);
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 1);
  EXPECT_EQ(f.exchange->disconnects, 1);

  // The worker's report re-arms tmr1 with the full interval from then on.
  const long long endOfFirst = f.desktop.ElapsedMs();
  f.desktop.Advance(9999ms);
  EXPECT_EQ(f.exchange->runs, 1);
  f.desktop.Advance(1ms);
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 2);
  EXPECT_EQ(f.desktop.ElapsedMs() - endOfFirst, 10000);
}

TEST_F(PollCycleTest, AnIntervalEditTakesEffectFromTheNextTick) {
  StartWithInterval("10");
  f.ui.edt2.Type("20");
  f.desktop.Advance(10000ms);  // still waits out the old interval
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 2);
  f.desktop.Advance(19999ms);
  EXPECT_EQ(f.exchange->runs, 2);
  f.desktop.Advance(1ms);
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 3);
}

TEST_F(PollCycleTest, StopBeforeStartOnlyEnablesStart) {
  f.ui.btn2.Click();
  EXPECT_TRUE(f.ui.btn1.Enabled());
  f.desktop.Advance(120s);
  EXPECT_EQ(f.exchange->runs, 0);
  EXPECT_TRUE(f.desktop.errors.empty());
}

TEST_F(PollCycleTest, StopDuringAPollStaysInForce) {
  f.exchange->Hold();
  f.ui.btn1.Click();
  f.desktop.Advance(100ms);
  f.ui.btn2.Click();
  EXPECT_TRUE(f.ui.btn1.Enabled());
  f.exchange->Release();
  f.FinishPoll();
  f.desktop.Advance(10min);
  EXPECT_EQ(f.exchange->runs, 1);
  EXPECT_FALSE(f.form1->Poll().tmr1().Enabled());
}

TEST_F(PollCycleTest, StartDuringAPollNeverRunsTwoWorkersAtOnce) {
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  f.exchange->script = [&] {
    if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
    std::this_thread::sleep_for(5ms);
    inside.fetch_sub(1);
  };
  RestartDuringTheFirstPoll();
  EXPECT_EQ(f.exchange->runs, 1);
  f.exchange->Release();
  f.FinishPoll();  // the old poll ends, the owed poll starts at once
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 2);
  EXPECT_EQ(overlaps, 0);
  EXPECT_TRUE(f.form1->Poll().tmr1().Enabled());
}

TEST_F(PollCycleTest, StartResetsTheIdsButNotTheFlag) {
  f.state.TaskId = 5;
  f.state.PrevTaskId = 4;
  f.state.NoteId = 3;
  f.state.NewTaskFlag = 1;
  f.ui.btn1.Click();
  EXPECT_EQ(f.state.TaskId, 0);
  EXPECT_EQ(f.state.PrevTaskId, 0);
  EXPECT_EQ(f.state.NoteId, 0);
  EXPECT_EQ(f.state.NewTaskFlag, 1);
}

TEST_F(PollCycleTest, AFailedPollStillMovesTheUpdateTimeAndPollingGoesOn) {
  const std::string atStartUp = f.ui.lbl2.Text();
  f.exchange->script = [] { throw std::runtime_error("Socket Error # 10061\r\nConnection refused."); };
  f.ui.edt2.Type("10");
  f.ui.btn1.Click();
  f.desktop.Advance(100ms);
  f.FinishPoll();
  EXPECT_NE(f.ui.lbl2.Text(), atStartUp);
  EXPECT_EQ(f.ui.lbl2.Text(), "T+100ms");
  EXPECT_TRUE(f.desktop.errors.empty()) << "a failed poll must be silent";
  f.desktop.Advance(10s);
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 2);
  EXPECT_EQ(f.ui.lbl2.Text(), "T+10100ms");
}

TEST_F(PollCycleTest, TheAnnouncementArrivesDecodedFromGbk) {
  f.exchange->script = [this] { f.announce("\xB9\xAB\xB8\xE6 ok"); };  // "公告 ok" in GBK
  StartWithInterval("10");
  EXPECT_EQ(f.ui.lbl1.Text(), "公告 ok");
}

TEST_F(PollCycleTest, AnAnnouncementThatCannotBeDecodedIsReportedAndTheOldTextStays) {
  f.exchange->script = [this] { f.announce("first"); };
  StartWithInterval("10");
  ASSERT_EQ(f.ui.lbl1.Text(), "first");
  f.decodeGbk = [](std::string_view) -> std::string { throw zelmora::Error("No GBK converter"); };
  f.exchange->script = [this] { f.announce("second"); };
  f.desktop.Advance(10s);
  f.FinishPoll();
  f.desktop.RunPosted();
  EXPECT_EQ(f.ui.lbl1.Text(), "first");
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, "No GBK converter.");
}

// The system refuses the next `refusals` threads.
PollCycle::ThreadStart RefusingThreads(int& refusals) {
  return [&refusals](std::function<void()> work) {
    if (refusals > 0) {
      --refusals;
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    return std::thread(std::move(work));
  };
}

const std::string kNoThreadText = ErrorReportText(
    std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)).what());

TEST_F(PollCycleTest, AThreadThatCannotStartIsReportedAndTheNextTickTriesAgain) {
  int refusals = 1;
  f.form1->Poll().SetThreadStart(RefusingThreads(refusals));
  f.ui.edt2.Type("10");
  f.ui.btn1.Click();
  f.desktop.Advance(100ms);
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, kNoThreadText);
  EXPECT_FALSE(f.form1->Poll().Polling());
  f.desktop.Advance(10s);
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 1);

  // Refused again after Stop and Start: the Start after that still polls.
  refusals = 1;
  f.ui.btn2.Click();
  f.ui.btn1.Click();
  f.desktop.Advance(100ms);
  EXPECT_EQ(f.desktop.errors.size(), 2u);
  f.ui.btn2.Click();
  f.ui.btn1.Click();
  f.desktop.Advance(100ms);
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 2);
  EXPECT_TRUE(f.form1->Poll().tmr1().Enabled());
}

TEST_F(PollCycleTest, AnOwedPollWhoseThreadCannotStartIsReportedToo) {
  int refusals = 0;
  f.form1->Poll().SetThreadStart(RefusingThreads(refusals));
  f.ui.edt2.Type("10");
  RestartDuringTheFirstPoll();
  refusals = 1;
  f.exchange->Release();
  f.FinishPoll();  // the owed poll's thread is refused here, on a posted task
  ASSERT_EQ(f.desktop.errors.size(), 1u);
  EXPECT_EQ(f.desktop.errors[0].text, kNoThreadText);
  f.desktop.Advance(10s);
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 2);
}

// ---- a busy server (429, 503) is polled no sooner than it asks ----

class PolitePolling : public PollCycleTest {
 protected:
  // Each next poll answers `status` (0: the server answers) with that Retry-After.
  void Reply(int status, std::string retryAfter = {}) {
    f.exchange->script = [status, retryAfter] {
      if (status != 0)
        throw ReplyStatusError("HTTP/1.1 " + std::to_string(status) + " Busy", status, retryAfter);
    };
  }
  // The wait armed after the last poll.
  milliseconds NextWait() {
    EXPECT_TRUE(f.form1->Poll().tmr1().Enabled());
    return milliseconds(f.form1->Poll().tmr1().Interval());
  }
  // The next poll comes `wait` from now, not a millisecond sooner.
  void PollAfter(milliseconds wait) {
    const int before = f.exchange->runs;
    f.desktop.Advance(wait - 1ms);
    // A poll launched early may not have reached the exchange yet.
    ASSERT_FALSE(f.form1->Poll().Polling()) << "polled before the wait of " << wait.count() << " ms ended";
    ASSERT_EQ(f.exchange->runs, before) << "polled before the wait of " << wait.count() << " ms ended";
    f.desktop.Advance(1ms);
    f.FinishPoll();
    ASSERT_EQ(f.exchange->runs, before + 1);
  }
};

std::string HttpDate(std::chrono::system_clock::time_point when) {
  const std::time_t time = std::chrono::system_clock::to_time_t(when);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", std::gmtime(&time));
  return text;
}

TEST_F(PolitePolling, RetryAfterInSecondsOrAsADateSetsTheWaitWithinTheIntervalAndAnHour) {
  Reply(429, "600");
  StartWithInterval("60");
  EXPECT_EQ(NextWait(), 600s);
  Reply(503, HttpDate(f.desktop.Now() + 600s + 15min));  // a quarter of an hour after that poll
  PollAfter(600s);
  EXPECT_EQ(NextWait(), 15min);
  Reply(429, "86400");  // a day: asked again within the hour
  PollAfter(15min);
  EXPECT_EQ(NextWait(), 1h);

  // Shorter than the interval, gone by, or another status: the interval.
  for (const auto& [status, retryAfter] :
       {std::pair{429, "5"}, {503, "Wed, 21 Oct 2015 07:28:00 GMT"}, {500, "600"}}) {
    Reply(status, retryAfter);
    PollAfter(NextWait());
    EXPECT_EQ(NextWait(), 60s) << status << " " << retryAfter;
  }
}

TEST_F(PolitePolling, BusyRepliesWithoutRetryAfterDoubleTheWaitUpToTenIntervals) {
  Reply(429);
  StartWithInterval("10");
  // Each wait a little shorter at random, never by more than a tenth.
  for (const milliseconds longest : {20s, 40s, 80s, 100s, 100s}) {
    EXPECT_LE(NextWait(), longest);
    EXPECT_GE(NextWait(), longest * 9 / 10);
    PollAfter(NextWait());
  }
  // The first answer returns to the interval, and the next busy reply starts over.
  Reply(0);
  PollAfter(NextWait());
  EXPECT_EQ(NextWait(), 10s);
  Reply(503, "soon");  // unreadable: as if there were none
  PollAfter(10s);
  EXPECT_LE(NextWait(), 20s);
  EXPECT_GT(NextWait(), 10s);
}

TEST_F(PolitePolling, StopAndStartDuringTheWaitStillWaitItOut) {
  Reply(429, "600");
  StartWithInterval("60");
  f.desktop.Advance(100s);
  f.ui.btn2.Click();
  f.desktop.Advance(100s);
  f.ui.btn1.Click();
  PollAfter(400s);  // 600 s after the busy reply, not 100 ms after Start

  // Once the wait is over, Start polls at once again.
  f.ui.btn2.Click();
  f.desktop.Advance(600s);
  f.ui.btn1.Click();
  PollAfter(100ms);
}

TEST_F(PolitePolling, AStartDuringABusyPollWaitsForTheServerToo) {
  Reply(503, "300");
  RestartDuringTheFirstPoll();
  f.exchange->Release();
  f.FinishPoll();
  EXPECT_EQ(f.exchange->runs, 1) << "the owed poll must wait as the busy reply asked";
  PollAfter(300s);
}

// The bound is far above the abort's few milliseconds: a busy machine passes,
// a close that waits for the server fails instead of hanging the run.
TEST(PollCycleShutdown, ClosingDuringAHungPollEndsPromptly) {
  auto f = std::make_unique<FormFixture>();
  ScriptedExchange& exchange = *f->exchange;
  exchange.Hold();  // a server that never answers
  f->ui.btn1.Click();
  f->desktop.Advance(100ms);
  const auto limit = std::chrono::steady_clock::now() + 30s;
  while (exchange.runs == 0 && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
  ASSERT_EQ(exchange.runs, 1) << "the poll never began";

  auto closed = std::async(std::launch::async, [&f] { f.reset(); });
  const bool prompt = closed.wait_for(30s) == std::future_status::ready;
  if (!prompt) exchange.Release();  // the close waits for the poll: let both end
  closed.get();
  EXPECT_TRUE(prompt) << "closing waited for the hung poll instead of aborting it";
}

}  // namespace
}  // namespace zelmora::testing
