#include "tools/taskserver/task_feed.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace zelmora::taskserver {
namespace {

std::int32_t IdAfter(double elapsedSeconds, double everySeconds) {
  if (everySeconds <= 0) return 1;
  double steps = std::floor(elapsedSeconds / everySeconds);
  return static_cast<std::int32_t>(
      std::min(1 + steps, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

std::string Utf8ToGbk(const std::string& utf8) {
  iconv_t converter = iconv_open("GBK", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv has no GBK");
  std::string gbk(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* out = gbk.data();
  size_t outLeft = gbk.size();
  size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1)) throw std::runtime_error("text not representable in GBK");
  gbk.resize(gbk.size() - outLeft);
  return gbk;
}

// Rotating texts, so a new announcement is visibly new. The reminder cuts the
// raw GBK reply at '|' bytes, and 0x7C is a valid GBK trail byte: none of
// these characters has it (check with Python's str.encode('gbk')).
constexpr std::array<const char*, 4> kNotices = {
    "今日任务已更新，请及时查看。",
    "服务器维护通知：今晚 23:00 暂停派单。",
    "新手请先阅读任务说明 (task guide)。",
    "本周奖励已发放，感谢参与！",
};

}  // namespace

TaskFeed::TaskFeed(double taskEverySeconds, double noteEverySeconds, Clock::time_point start)
    : taskEverySeconds_(taskEverySeconds), noteEverySeconds_(noteEverySeconds), start_(start) {}

FeedState TaskFeed::StateAt(Clock::time_point when) const {
  double elapsed = std::chrono::duration<double>(when - start_).count();
  return {IdAfter(elapsed, taskEverySeconds_), IdAfter(elapsed, noteEverySeconds_)};
}

std::string AnnouncementGbk(std::int32_t noteId) {
  std::string text =
      "公告 #" + std::to_string(noteId) + ": " + kNotices[static_cast<size_t>(noteId) % kNotices.size()];
  return Utf8ToGbk(text);
}

}  // namespace zelmora::taskserver
