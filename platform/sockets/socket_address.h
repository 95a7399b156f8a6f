#pragma once
// The IPv4 socket addresses a client binds to and connects to; the same
// structure in POSIX and Windows Sockets. For the socket implementations only.
#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

#include <cstdint>
#include <cstring>

#include "platform/socket.h"

namespace zelmora::platform {

// Any local address, port 0: the system picks both.
inline sockaddr_in AnyLocalAddress() {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  return local;
}

inline sockaddr_in RemoteAddress(const Ipv4Address& address, std::uint16_t port) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  std::memcpy(&remote.sin_addr.s_addr, address.data(), address.size());
  return remote;
}

}  // namespace zelmora::platform
