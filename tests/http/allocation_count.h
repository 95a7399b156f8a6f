#pragma once
#include <cstddef>

namespace zelmora::http {

// Counts the bytes operator new hands out on this thread while it lives: a
// measure of how much an operation copies that does not depend on the clock.
class AllocationCount {
 public:
  AllocationCount();
  ~AllocationCount();
  AllocationCount(const AllocationCount&) = delete;
  AllocationCount& operator=(const AllocationCount&) = delete;

  std::size_t Bytes() const { return bytes_; }

 private:
  std::size_t bytes_ = 0;
  std::size_t* outer_;
};

}  // namespace zelmora::http
