// Replaces the global operator new of the test program to count what it hands
// out; memory still comes from malloc, so the sanitizers keep watching it.
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

void* operator new(std::size_t size) {
  if (zelmora::http::tCounter != nullptr) *zelmora::http::tCounter += size;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }

void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
