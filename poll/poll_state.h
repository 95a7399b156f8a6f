#pragma once
#include <atomic>
#include <cstdint>

namespace zelmora {

// Shared between the user-interface thread and the poll worker without a lock.
// The exchange publishes PrevTaskId, then TaskId, then NewTaskFlag (release);
// the watcher reads NewTaskFlag (acquire) before PrevTaskId.
struct PollState {
  std::atomic<int32_t> TaskId{0};
  std::atomic<int32_t> PrevTaskId{0};
  std::atomic<int32_t> NoteId{0};
  std::atomic<int32_t> NewTaskFlag{0};
};

// The four filter check boxes as the worker may read them: the user-interface
// thread keeps these in step with the boxes.
struct TaskFilters {
  std::atomic<bool> type1{true};
  std::atomic<bool> type2{true};
  std::atomic<bool> ip1{true};
  std::atomic<bool> ip2{true};
};

// One poll's conversation with the task server, run on the worker thread.
class CounterExchange {
 public:
  virtual ~CounterExchange() = default;
  // May throw; the poll drops every failure silently.
  virtual void Run() = 0;
  // Closes the connection so the next poll opens a fresh one.
  virtual void Disconnect() noexcept = 0;
  // Any thread: makes an exchange in progress fail promptly (used at exit).
  virtual void Abort() noexcept = 0;
};

}  // namespace zelmora

#include <functional>
#include <memory>
#include <string>

namespace zelmora {

// What an exchange is given when the main window makes it.
struct ExchangeContext {
  PollState& state;
  const TaskFilters& filters;
  // Any thread: shows the announcement (raw GBK bytes of the reply) in lbl1.
  std::function<void(std::string announcementGbk)> showAnnouncement;
};

using ExchangeFactory = std::function<std::unique_ptr<CounterExchange>(const ExchangeContext&)>;

}  // namespace zelmora
