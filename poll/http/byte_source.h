#pragma once
#include <chrono>
#include <cstddef>

namespace zelmora::http {

// Where reply bytes come from: a socket in the client, a byte string in the
// fuzzer and the benchmarks.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Waits at most `inactivity` for at least one byte, then returns up to `size`
  // bytes. Returns 0 once the peer has closed. Throws the socket's error, and
  // SocketError 10060 when the wait runs out.
  virtual std::size_t ReadSome(char* buffer, std::size_t size, std::chrono::milliseconds inactivity) = 0;
};

}  // namespace zelmora::http
