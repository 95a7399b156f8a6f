#pragma once
#include <string>

#include "poll/counter_exchange.h"
#include "poll/http/http_client.h"

namespace zelmora {

// The counter exchange of one poll over the program's one HTTP client.
class TaskServerExchange final : public CounterExchange {
 public:
  TaskServerExchange(const ExchangeContext& context, std::string host);

  void Run() override;
  void Disconnect() noexcept override;
  void Abort() noexcept override;

 private:
  PollState& state_;
  const TaskFilters& filters_;
  std::function<void(std::string)> showAnnouncement_;
  std::string host_;
  http::HttpClient http1_;
};

}  // namespace zelmora
