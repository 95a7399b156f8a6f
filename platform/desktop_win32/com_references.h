#pragma once
#include <windows.h>

#include <atomic>

namespace zelmora::platform::win32 {

// IUnknown's reference count for the COM objects of ours that the page view's
// control holds: the object deletes itself with its last reference. It starts
// at none: the ComPtr that the object's Create returns takes the first.
template <typename Object>
class ComReferences {
 public:
  ULONG Add() { return ++count_; }
  ULONG Release(Object* object) {
    const ULONG left = --count_;
    if (left == 0) delete object;
    return left;
  }

 private:
  std::atomic<ULONG> count_{0};
};

}  // namespace zelmora::platform::win32
