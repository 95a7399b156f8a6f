#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/timer.h"
#include "platform/desktop.h"
#include "poll/counter_exchange.h"
#include "poll/poll_news.h"
#include "poll/poll_pace.h"

namespace zelmora {

// The timed poll: each tick of tmr1 clamps the interval and hands one poll to a
// worker thread, which runs the counter exchange, stamps the update time and
// re-arms tmr1. At most one worker runs at a time. A server that asks to be
// polled less often (PollPace) gets its wait, also across Stop and Start.

class PollCycle {
 public:
  using UpdateTimeShown = std::function<void(std::chrono::system_clock::time_point)>;
  // Starts a thread running `work`; throws std::system_error when the system
  // cannot, as std::thread does.
  using ThreadStart = std::function<std::thread(std::function<void()> work)>;

  // edt2 is the interval box; showUpdateTime runs on the user-interface thread.
  PollCycle(platform::Desktop& desktop, PollState& state, CounterExchange& exchange, platform::Control& edt2,
            UpdateTimeShown showUpdateTime);
  // Aborts a poll in flight and waits for its worker, so nothing outlives the window.
  ~PollCycle();
  PollCycle(const PollCycle&) = delete;
  PollCycle& operator=(const PollCycle&) = delete;

  // Resets the ids and arms the first poll 100 ms from now, or when the wait a
  // busy server asked for ends, if that is later.
  void Start();
  // Disarms the poll timer; a poll in flight finishes but does not re-arm it.
  void Stop();

  // Tick of the poll timer (user-interface thread).
  void tmr1Timer();

  // Start, Stop and the end of every poll, with its outcome.
  void OnNews(std::function<void(const PollNews&)> handler) { onNews_ = std::move(handler); }

  int32_t PollInterval() const { return pollInterval_; }
  const Timer& tmr1() const { return tmr1_; }
  // For tests: a system that refuses threads.
  void SetThreadStart(ThreadStart start) { threadStart_ = std::move(start); }
  bool Polling() const { return workerBusy_; }

 private:
  void LaunchWorker();
  void PollWorker();
  // Sets the wait after this poll and tells it in `news`.
  PollWait PaceNextPoll(PollNews& news, std::string_view retryAfter);
  void WorkerFinished(const PollWait& wait);
  void Tell(PollNews news);

  platform::Desktop& desktop_;
  PollState& state_;
  CounterExchange& exchange_;
  platform::Control& edt2_;
  UpdateTimeShown showUpdateTime_;
  std::function<void(const PollNews&)> onNews_;
  Timer tmr1_;
  int32_t pollInterval_ = 0;
  PollPace pace_;
  // The end of a wait a busy server asked for, and why; Start honours it too.
  std::chrono::system_clock::time_point notBefore_;
  PaceReason notBeforeReason_ = PaceReason::Interval;

  // User-interface thread only.
  bool on_ = false;          // between Start and Stop
  bool workerBusy_ = false;  // a worker has been launched and has not reported back
  bool pollOwed_ = false;    // a tick came while the worker was busy
  std::thread worker_;
  ThreadStart threadStart_ = [](std::function<void()> work) { return std::thread(std::move(work)); };
  // Posted completions check this before touching the cycle.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zelmora
