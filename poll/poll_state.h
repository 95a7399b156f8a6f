#pragma once
#include <atomic>
#include <cstdint>

namespace zelmora {

// Shared between the user-interface thread and the poll worker without a lock.
// The exchange publishes PrevTaskId, then TaskId, then NewTaskFlag (release);
// the watcher reads NewTaskFlag (acquire) before PrevTaskId.
struct PollState {
  std::atomic<int32_t> TaskId{0};
  std::atomic<int32_t> PrevTaskId{0};
  std::atomic<int32_t> NoteId{0};
  std::atomic<int32_t> NewTaskFlag{0};
};

}  // namespace zelmora
