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

}  // namespace

PollStatus::PollStatus(std::string title, TimeText timeText)
    : title_(std::move(title)), timeText_(std::move(timeText)) {}

std::string PollStatus::Apply(const PollNews& news) {
  using Kind = PollNews::Kind;
  switch (news.kind) {
    case Kind::Started: state_ = State::Waiting; return "polling started";
    case Kind::Stopped:
      if (state_ == State::Stopped) return {};
      state_ = State::Stopped;
      return "polling stopped";
    case Kind::Answered: {
      // A poll that was under way at Stop ends after it; polling is still off.
      if (state_ == State::Stopped) return {};
      const bool recovered = state_ == State::Failing;
      state_ = State::Answering;
      lastAnswer_ = news.when;
      return recovered ? "the task server answers again" : std::string();
    }
    case Kind::Failed: {
      if (state_ == State::Stopped) return {};
      const std::string failure = ShortLine(news.failure);
      const bool worthLogging = state_ != State::Failing || failure != failure_;
      if (state_ != State::Failing) failingSince_ = news.when;
      state_ = State::Failing;
      failure_ = failure;
      return worthLogging ? "poll failed: " + failure_ : std::string();
    }
  }
  return {};
}

std::string PollStatus::Tooltip() const {
  switch (state_) {
    case State::Stopped: return title_ + "\n已停止";
    case State::Waiting: return title_ + "\n正在查询新任务";
    case State::Answering: return title_ + "\n正在查询新任务，上次回复 " + timeText_(lastAnswer_);
    case State::Failing:
      // The time before the text: a desktop that cuts long tooltips cuts the text.
      return title_ + "\n无法连接任务服务器（自 " + timeText_(failingSince_) + " 起）\n" + failure_;
  }
  return title_;
}

platform::TrayImage PollStatus::Image() const {
  return state_ == State::Failing ? platform::TrayImage::Dimmed : platform::TrayImage::Program;
}

}  // namespace zelmora
