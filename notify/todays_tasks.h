#pragma once
// The new tasks of the day, newest first, for the tray menu: each with the time
// its notice came and the task page its popup showed. At most 20; kept in memory
// only, so every start begins with an empty list; a new day begins one too.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace zelmora {

class TodaysTasks {
 public:
  static constexpr std::size_t kLongest = 20;

  struct Entry {
    std::chrono::system_clock::time_point when;
    int32_t taskId = 0;
    std::string taskPage;  // the address its popup showed
  };
  using ShowTaskPage = std::function<void(const std::string& taskPage)>;

  explicit TodaysTasks(const platform::Desktop& desktop) : desktop_(desktop) {}

  void Add(Entry entry);
  // The entries of the day it is now, newest first.
  std::vector<Entry> Today() const;
  // The submenu: "time  任务 id" per task, each showing its page again; a
  // greyed note while there is none.
  std::vector<platform::TrayMenuItem> Menu(const ShowTaskPage& show) const;

 private:
  const platform::Desktop& desktop_;
  std::deque<Entry> entries_;  // newest first, all of one day
};

}  // namespace zelmora
