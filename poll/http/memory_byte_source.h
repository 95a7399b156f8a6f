#pragma once
#include <algorithm>
#include <string_view>

#include "poll/http/byte_source.h"

namespace zelmora::http {

// Plays a server from bytes in memory, handing them out in pieces of at most
// `piece` bytes (as a network would), then reports the close. For the fuzzer,
// the benchmarks and tests that need no socket.
class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes, std::size_t piece = 1 << 16)
      : bytes_(bytes), piece_(std::max<std::size_t>(piece, 1)) {}

  std::size_t ReadSome(char* buffer, std::size_t size, std::chrono::milliseconds) override {
    const std::size_t count = std::min({size, piece_, bytes_.size()});
    std::copy_n(bytes_.data(), count, buffer);
    bytes_.remove_prefix(count);
    return count;
  }
  // Bytes not yet handed out.
  std::size_t Left() const { return bytes_.size(); }

 private:
  std::string_view bytes_;
  std::size_t piece_;
};

}  // namespace zelmora::http
