#include "notify/poll_status.h"

#include <cstddef>

#include "core/readable_text.h"

namespace zelmora {
namespace {

// Failure texts may quote the server's reply: keep them short, on one line and
// readable, since they go into a tooltip and a log.
constexpr std::size_t kLongestFailureText = 160;

std::string ShortLine(const std::string& text) {
  std::string line = ReadableLine(text);
  if (line.size() <= kLongestFailureText) return line;
  std::size_t cut = kLongestFailureText;
  while ((static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
  line.resize(cut);
  return line + "…";
}

// Why the next poll waits, in the log.
std::string PaceLogText(PaceReason pace) {
  return pace == PaceReason::ServerAsked ? "as the server asked (Retry-After)"
                                         : "slowed down while the server is busy";
}

// ... and in the tooltip.
std::string PaceTipText(PaceReason pace) {
  return pace == PaceReason::ServerAsked ? "服务器要求稍后再查" : "服务器繁忙，已放慢查询";
}

}  // namespace

PollStatus::PollStatus(std::string title, TimeText timeText)
    : title_(std::move(title)), timeText_(std::move(timeText)) {}

std::string PollStatus::Apply(const PollNews& news) {
  using Kind = PollNews::Kind;
  // A poll that was under way at Stop ends after it; polling is still off.
  if (news.kind != Kind::Started && state_ == State::Stopped) return {};
  pace_ = news.kind == Kind::Stopped ? PaceReason::Interval : news.pace;
  nextPoll_ = news.nextPoll;
  const std::string paced = pace_ == PaceReason::Interval
                                ? std::string()
                                : "; next poll at " + timeText_(nextPoll_) + ", " + PaceLogText(pace_);
  switch (news.kind) {
    case Kind::Started: state_ = State::Waiting; return "polling started" + paced;
    case Kind::Stopped: state_ = State::Stopped; return "polling stopped";
    case Kind::Answered: {
      const bool recovered = state_ == State::Failing;
      state_ = State::Answering;
      lastAnswer_ = news.when;
      return recovered ? "the task server answers again" : std::string();
    }
    case Kind::Failed: {
      const std::string failure = ShortLine(news.failure);
      // Each slowed-down poll is told: its wait is new every time.
      const bool worthLogging = state_ != State::Failing || failure != failure_ || !paced.empty();
      if (state_ != State::Failing) failingSince_ = news.when;
      state_ = State::Failing;
      failure_ = failure;
      return worthLogging ? "poll failed: " + failure_ + paced : std::string();
    }
  }
  return {};
}

std::string PollStatus::Tooltip() const {
  const std::string paced = pace_ == PaceReason::Interval
                                ? std::string()
                                : "\n下次查询 " + timeText_(nextPoll_) + "（" + PaceTipText(pace_) + "）";
  switch (state_) {
    case State::Stopped: return title_ + "\n已停止";
    case State::Waiting: return title_ + "\n正在查询新任务" + paced;
    case State::Answering: return title_ + "\n正在查询新任务，上次回复 " + timeText_(lastAnswer_);
    case State::Failing:
      // The times before the text: a desktop that cuts long tooltips cuts the text.
      return title_ + "\n无法连接任务服务器（自 " + timeText_(failingSince_) + " 起）" + paced + "\n" +
             failure_;
  }
  return title_;
}

platform::TrayImage PollStatus::Image() const {
  return state_ == State::Failing ? platform::TrayImage::Dimmed : platform::TrayImage::Program;
}

}  // namespace zelmora
