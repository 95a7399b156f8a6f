#pragma once
#include <functional>
#include <memory>
#include <string>

#include "poll/poll_state.h"
#include "poll/task_filters.h"

namespace zelmora {

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

// What an exchange is given when the main window makes it.
struct ExchangeContext {
  PollState& state;
  const TaskFilters& filters;
  // Any thread: shows the announcement (raw GBK bytes of the reply) in lbl1.
  std::function<void(std::string announcementGbk)> showAnnouncement;
};

using ExchangeFactory = std::function<std::unique_ptr<CounterExchange>(const ExchangeContext&)>;

}  // namespace zelmora
