#pragma once
#include <atomic>

namespace zelmora {

// The four filter check boxes as the worker may read them: the user-interface
// thread keeps these in step with the boxes.
struct TaskFilters {
  std::atomic<bool> type1{true};
  std::atomic<bool> type2{true};
  std::atomic<bool> ip1{true};
  std::atomic<bool> ip2{true};
};

// The boxes' states at one moment, as an address is built.
struct FilterChoice {
  bool type1 = true;
  bool type2 = true;
  bool ip1 = true;
  bool ip2 = true;
};

inline FilterChoice ReadFilters(const TaskFilters& filters) {
  return {filters.type1.load(), filters.type2.load(), filters.ip1.load(), filters.ip2.load()};
}

}  // namespace zelmora
