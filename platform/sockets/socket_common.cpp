// What POSIX and Windows Sockets share: host-name lookup (getaddrinfo is the same
// call in both) and the wait limits.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <cstring>

#include "platform/socket.h"

namespace zelmora::platform {
namespace {

// Longest single wait before the cancel flag is looked at again.
constexpr std::chrono::milliseconds kCancelCheckSlice{50};

}  // namespace

std::chrono::steady_clock::duration NextWait(const WaitLimit& limit) {
  if (limit.cancel != nullptr && limit.cancel->load(std::memory_order_acquire)) {
    throw SocketError(kSocketInterrupted);
  }
  const auto now = std::chrono::steady_clock::now();
  if (now >= limit.deadline) throw SocketError(kSocketTimedOut);
  return std::min<std::chrono::steady_clock::duration>(limit.deadline - now, kCancelCheckSlice);
}

Ipv4Address LookupHostIpv4(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    throw SocketError(kSocketHostNotFound);
  }
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  Ipv4Address result;
  std::memcpy(result.data(), &address->sin_addr.s_addr, result.size());
  ::freeaddrinfo(found);
  return result;
}

}  // namespace zelmora::platform
