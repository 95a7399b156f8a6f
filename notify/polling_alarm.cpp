#include "notify/polling_alarm.h"

namespace zelmora {
namespace {

constexpr std::chrono::minutes kFailingTooLong{5};

bool SaysNotAllowed(int status) { return status == 401 || status == 403; }

}  // namespace

std::optional<PollingAlarm::Notice> PollingAlarm::Apply(const PollNews& news,
                                                        const std::string& failureShown) {
  using Kind = PollNews::Kind;
  switch (news.kind) {
    case Kind::Started: on_ = true; return std::nullopt;
    case Kind::Stopped:
      // A stop ends the run of failures; a raised alarm stays until polls work again.
      on_ = false;
      failingSince_.reset();
      return std::nullopt;
    case Kind::Answered:
      failingSince_.reset();
      if (!raised_) return std::nullopt;
      raised_ = false;
      return Notice{{title_, "查询新任务已恢复正常", platform::TrayMessage::Kind::Information},
                    "alarm over: polling works again"};
    case Kind::Failed: {
      // A poll that was under way at Stop ends after it: no run of failures then.
      if (!on_) return std::nullopt;
      if (!failingSince_) failingSince_ = news.when;
      if (raised_) return std::nullopt;
      if (SaysNotAllowed(news.status)) {
        raised_ = true;
        return Notice{
            {title_, "任务服务器拒绝查询，请检查工号\n" + failureShown, platform::TrayMessage::Kind::Warning},
            "alarm: the task server refuses the polls: " + failureShown};
      }
      if (news.when - *failingSince_ < kFailingTooLong) return std::nullopt;
      raised_ = true;
      return Notice{
          {title_, "已连续 5 分钟无法查询新任务\n" + failureShown, platform::TrayMessage::Kind::Warning},
          "alarm: polls have failed for 5 minutes: " + failureShown};
    }
  }
  return std::nullopt;
}

}  // namespace zelmora
