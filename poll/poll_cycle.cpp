#include "poll/poll_cycle.h"

#include <exception>

#include "core/error_report.h"
#include "core/integer_text.h"

namespace zelmora {
namespace {

constexpr int kFirstPollDelayMs = 100;
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
  tmr1_.SetInterval(kFirstPollDelayMs);
  tmr1_.SetEnabled(true);
}

void PollCycle::Stop() {
  on_ = false;
  pollOwed_ = false;
  tmr1_.SetEnabled(false);
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
  try {
    exchange_.Run();
  } catch (...) {
    // A failed poll is dropped without a word; the next one tries again.
  }
  auto updateTime = desktop_.Now();
  exchange_.Disconnect();
  desktop_.PostToUi([this, alive = alive_, updateTime] {
    if (!*alive) return;
    showUpdateTime_(updateTime);
    WorkerFinished();
  });
}

void PollCycle::WorkerFinished() {
  if (worker_.joinable()) worker_.join();
  workerBusy_ = false;
  if (pollOwed_) {
    pollOwed_ = false;
    LaunchWorker();
    return;
  }
  if (on_) tmr1_.SetEnabled(true);
}

}  // namespace zelmora
