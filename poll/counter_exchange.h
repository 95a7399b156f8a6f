#pragma once
#include <functional>
#include <memory>
#include <string>

#include "core/error.h"
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

// A poll the server answered with a failing status (its status line is the
// text): the cycle slows down on 429 and 503 as Retry-After asks, and the tray
// raises the alarm on 401 and 403.
class ReplyStatusError : public Error {
 public:
  ReplyStatusError(const std::string& statusText, int status, std::string retryAfter)
      : Error(statusText), status_(status), retryAfter_(std::move(retryAfter)) {}
  int Status() const noexcept { return status_; }
  // As the reply sent it: delay seconds or an HTTP date; empty when none.
  const std::string& RetryAfter() const noexcept { return retryAfter_; }

 private:
  int status_;
  std::string retryAfter_;
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
