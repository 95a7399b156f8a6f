#include "poll/poll_cycle.h"

#include <exception>

#include "core/error_report.h"
#include "core/seconds_box.h"

namespace zelmora {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kFirstPollDelay{100};
constexpr int32_t kShortestIntervalMs = 10000;
constexpr int32_t kDefaultIntervalSeconds = 60;

}  // namespace

PollCycle::PollCycle(platform::Desktop& desktop, PollState& state, CounterExchange& exchange,
                     platform::Control& edt2, UpdateTimeShown showUpdateTime)
    : desktop_(desktop),
      state_(state),
      exchange_(exchange),
      edt2_(edt2),
      showUpdateTime_(std::move(showUpdateTime)),
      tmr1_(desktop, kDefaultIntervalSeconds * 1000, false, [this] { tmr1Timer(); }) {}

PollCycle::~PollCycle() {
  *alive_ = false;
  if (worker_.joinable()) {
    exchange_.Abort();
    worker_.join();
  }
}

void PollCycle::Start() {
  state_.TaskId.store(0);
  state_.PrevTaskId.store(0);
  state_.NoteId.store(0);
  on_ = true;
  const auto now = desktop_.Now();
  PollNews news{PollNews::Kind::Started, now, {}};
  milliseconds firstWait = kFirstPollDelay;
  if (notBefore_ > now + kFirstPollDelay) {
    firstWait = std::chrono::ceil<milliseconds>(notBefore_ - now);
    news.pace = notBeforeReason_;
    news.nextPoll = notBefore_;
  }
  tmr1_.SetInterval(static_cast<int>(firstWait.count()));
  tmr1_.SetEnabled(true);
  Tell(news);
}

void PollCycle::Stop() {
  on_ = false;
  pollOwed_ = false;
  tmr1_.SetEnabled(false);
  Tell({PollNews::Kind::Stopped, desktop_.Now(), {}});
}

void PollCycle::Tell(PollNews news) {
  if (onNews_) onNews_(news);
}

void PollCycle::tmr1Timer() {
  pollInterval_ = ReadSecondsBox(edt2_, kShortestIntervalMs, kDefaultIntervalSeconds);
  tmr1_.SetInterval(pollInterval_);
  tmr1_.SetEnabled(false);

  // A Start pressed during a poll brings its first tick while that poll still
  // runs; the new poll follows as soon as the old one has finished.
  if (workerBusy_) {
    pollOwed_ = true;
    return;
  }
  LaunchWorker();
}

void PollCycle::LaunchWorker() {
  if (worker_.joinable()) worker_.join();
  try {
    worker_ = threadStart_([this] { PollWorker(); });
  } catch (const std::exception& failure) {
    // No worker means no report back to re-arm tmr1: re-arm it here so the
    // next tick tries again. Reported here too, since on the owed-poll path
    // this runs in a posted task that nothing else guards.
    ReportError(desktop_, failure.what());
    if (on_) tmr1_.SetEnabled(true);
    return;
  }
  workerBusy_ = true;
}

void PollCycle::PollWorker() {
  PollNews news{PollNews::Kind::Answered, {}, {}};
  std::string retryAfter;
  try {
    exchange_.Run();
  } catch (const ReplyStatusError& failure) {
    news = {PollNews::Kind::Failed, {}, failure.what()};
    news.status = failure.Status();
    retryAfter = failure.RetryAfter();
  } catch (const std::exception& failure) {
    // A failed poll is dropped without a word to the user; the next one tries
    // again. Only the tray and the log hear of it.
    news = {PollNews::Kind::Failed, {}, failure.what()};
  } catch (...) {
    news = {PollNews::Kind::Failed, {}, "unknown failure"};
  }
  auto updateTime = desktop_.Now();
  news.when = updateTime;
  exchange_.Disconnect();
  desktop_.PostToUi([this, alive = alive_, updateTime, news = std::move(news),
                     retryAfter = std::move(retryAfter)]() mutable {
    if (!*alive) return;
    showUpdateTime_(updateTime);
    const PollWait wait = PaceNextPoll(news, retryAfter);
    Tell(news);
    WorkerFinished(wait);
  });
}

PollWait PollCycle::PaceNextPoll(PollNews& news, std::string_view retryAfter) {
  const auto now = desktop_.Now();
  const milliseconds interval(pollInterval_);
  const PollWait wait = news.kind == PollNews::Kind::Answered
                            ? pace_.Answered(interval)
                            : pace_.Failed(news.status, retryAfter, now, interval);
  notBeforeReason_ = wait.reason;
  notBefore_ =
      wait.reason == PaceReason::Interval ? std::chrono::system_clock::time_point() : now + wait.length;
  if (wait.reason != PaceReason::Interval) {
    news.pace = wait.reason;
    news.nextPoll = notBefore_;
  }
  return wait;
}

void PollCycle::WorkerFinished(const PollWait& wait) {
  if (worker_.joinable()) worker_.join();
  workerBusy_ = false;
  if (pollOwed_) {
    pollOwed_ = false;
    // Unless the poll that just ended was told to wait: the owed one waits too.
    if (wait.reason == PaceReason::Interval) {
      LaunchWorker();
      return;
    }
  }
  if (!on_) return;
  tmr1_.SetInterval(static_cast<int>(wait.length.count()));
  tmr1_.SetEnabled(true);
}

}  // namespace zelmora
