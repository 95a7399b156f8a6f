// Replaces the global operator new of the test program to count what it hands
// out; memory still comes from malloc, so the sanitizers keep watching it.
// Every plain form is replaced, so that no allocation made by one (say, the
// sanitizer's nothrow new) is freed by another.
#include "tests/http/allocation_count.h"

#include <cstdlib>
#include <new>

namespace zelmora::http {
namespace {

thread_local std::size_t* tCounter = nullptr;

}  // namespace

AllocationCount::AllocationCount() : outer_(tCounter) { tCounter = &bytes_; }

AllocationCount::~AllocationCount() { tCounter = outer_; }

}  // namespace zelmora::http

namespace {

void* CountedAllocation(std::size_t size) noexcept {
  if (zelmora::http::tCounter != nullptr) *zelmora::http::tCounter += size;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* memory = CountedAllocation(size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
