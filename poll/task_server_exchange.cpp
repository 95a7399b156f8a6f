#include "poll/task_server_exchange.h"

#include "poll/http/http_errors.h"
#include "poll/task_server.h"

namespace zelmora {

TaskServerExchange::TaskServerExchange(const ExchangeContext& context, std::string host)
    : state_(context.state),
      filters_(context.filters),
      showAnnouncement_(context.showAnnouncement),
      host_(std::move(host)) {}

void TaskServerExchange::Run() {
  const std::string address =
      CounterRequestAddress(host_, state_.TaskId.load(), state_.NoteId.load(), ReadFilters(filters_));
  std::string reply;
  try {
    reply = http1_.Get(address);
  } catch (const http::HttpProtocolError& failure) {
    throw ReplyStatusError(failure.what(), failure.Status(), failure.RetryAfter());
  }
  ApplyCounterReply(reply, state_, showAnnouncement_);
}

void TaskServerExchange::Disconnect() noexcept { http1_.Disconnect(); }

void TaskServerExchange::Abort() noexcept { http1_.Abort(); }

}  // namespace zelmora
