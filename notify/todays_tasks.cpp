#include "notify/todays_tasks.h"

namespace zelmora {

void TodaysTasks::Add(Entry entry) {
  const auto day = desktop_.LocalDate(entry.when);
  std::erase_if(entries_, [&](const Entry& kept) {
    // Start resets the task ids, so the same task may be announced again:
    // it stays listed once, at its latest notice.
    return kept.taskId == entry.taskId || desktop_.LocalDate(kept.when) != day;
  });
  entries_.push_front(std::move(entry));
  if (entries_.size() > kLongest) entries_.pop_back();
}

std::vector<TodaysTasks::Entry> TodaysTasks::Today() const {
  if (entries_.empty() || desktop_.LocalDate(entries_.front().when) != desktop_.LocalDate(desktop_.Now())) {
    return {};
  }
  return {entries_.begin(), entries_.end()};
}

std::vector<platform::TrayMenuItem> TodaysTasks::Menu(const ShowTaskPage& show) const {
  std::vector<platform::TrayMenuItem> items;
  for (const Entry& entry : Today()) {
    items.push_back({desktop_.LongTimeText(entry.when) + "  任务 " + std::to_string(entry.taskId),
                     [show, page = entry.taskPage] { show(page); },
                     {},
                     {}});
  }
  if (items.empty()) items.push_back({"今天还没有新任务", {}, {}, [] { return false; }});
  return items;
}

}  // namespace zelmora
