#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora::platform::qt {

// Cuts a byte stream into lines. A line longer than the limit is dropped whole,
// so a peer that never ends its line cannot make the buffer grow without bound.
class LineBuffer {
 public:
  explicit LineBuffer(std::size_t maxLineBytes) : maxLineBytes_(maxLineBytes) {}

  // Takes the next bytes of the stream; returns the lines they complete, without
  // their line breaks ("\n" or "\r\n").
  std::vector<std::string> Append(std::string_view bytes);

 private:
  std::size_t maxLineBytes_;
  std::string pending_;
  bool discarding_ = false;  // inside a line that was too long
};

}  // namespace zelmora::platform::qt
